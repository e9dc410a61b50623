#!/usr/bin/env python3
"""Line coverage of the stylesheets (resources/*.xsl), which llvm-cov cannot see.

    tools/xslcoverage.py run BUILD_DIR FOLDER COMMAND...   runs COMMAND with the hook, its
                                                           lines noted in FOLDER
    tools/xslcoverage.py report FOLDER         what the runs that wrote FOLDER covered, by sheet

A process started with environment(...) (or by the run command) notes the stylesheet lines it runs in a file of its
own in the folder (see tools/xslcover.c). A line counts when an element inside a template
stands on it; xsl:param and xsl:text are left out, since libxslt runs them without a hook.
"""

import glob
import os
import subprocess
import sys
import xml.parsers.expat

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
XSL = "http://www.w3.org/1999/XSL/Transform"
UNSEEN = {XSL + " param", XSL + " text"}


def sheets():
    return sorted(glob.glob(os.path.join(SOURCE, "resources", "*.xsl")))


def build(build_dir):
    """The hook library, compiled into the build folder when missing or older than its source."""
    library = os.path.abspath(os.path.join(build_dir, "xslcover.so"))
    source = os.path.join(SOURCE, "tools", "xslcover.c")
    if not os.path.exists(library) or os.path.getmtime(library) < os.path.getmtime(source):
        flags = subprocess.check_output(["pkg-config", "--cflags", "--libs", "libxslt"], text=True).split()
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", source, *flags, "-o", library], check=True)
    return library


def environment(library, folder):
    return {"LD_PRELOAD": library, "XSLCOVER_SHEETS": ":".join(sheets()), "XSLCOVER_OUT": folder}


def tag_end(text, at):
    """Where the start tag at text[at] ends: its '>' outside the attributes' quotes."""
    quote = None
    for i in range(at, len(text)):
        c = text[i:i + 1]
        if quote:
            quote = None if c == quote else quote
        elif c in (b'"', b"'"):
            quote = c
        elif c == b">":
            return i
    return len(text)


def coverable(sheet):
    """The lines of a sheet where an element inside a template stands. libxml2 gives an element
    the line its start tag ends on, so a tag whose attributes run over several lines counts on
    its last."""
    with open(sheet, "rb") as f:
        text = f.read()
    lines, inside = set(), []
    parser = xml.parsers.expat.ParserCreate(namespace_separator=" ")

    def start(name, _attributes):
        within = bool(inside and inside[-1]) or name == XSL + " template"
        inside.append(within)
        if within and name not in UNSEEN:
            lines.add(text.count(b"\n", 0, tag_end(text, parser.CurrentByteIndex)) + 1)

    parser.StartElementHandler = start
    parser.EndElementHandler = lambda _name: inside.pop()
    parser.Parse(text, True)
    return lines


def covered(folder):
    """The (sheet, line) pairs the runs that wrote into folder ran."""
    found = set()
    for name in glob.glob(os.path.join(folder, "*.lines")):
        with open(name) as f:
            for entry in f:
                path, _, line = entry.strip().rpartition(":")
                found.add((path, int(line)))
    return found


def report(folder):
    ran = covered(folder)
    total = hit = 0
    for sheet in sheets():
        lines = coverable(sheet)
        done = {line for path, line in ran if path == sheet} & lines
        total, hit = total + len(lines), hit + len(done)
        missed = ", ".join(str(n) for n in sorted(lines - done))
        print(f"{os.path.relpath(sheet, SOURCE):28} {len(lines):5} lines {len(lines) - len(done):4} missed"
              + (f" ({missed})" if missed else ""))
    print(f"{'stylesheets':28} {total:5} lines {total - hit:4} missed {100 * hit / max(total, 1):6.2f}%")


if __name__ == "__main__":
    if len(sys.argv) > 4 and sys.argv[1] == "run":
        hook = build(sys.argv[2])
        os.makedirs(sys.argv[3], exist_ok=True)
        folder = os.path.abspath(sys.argv[3])
        sys.exit(subprocess.run(sys.argv[4:], env=dict(os.environ, **environment(hook, folder))).returncode)
    elif len(sys.argv) == 3 and sys.argv[1] == "report":
        report(sys.argv[2])
    else:
        sys.exit(__doc__)
