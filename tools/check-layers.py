#!/usr/bin/env python3
"""Checks that includes point only down the layers, and that no two folders include each other.

    tools/check-layers.py [SOURCE_DIR]

Layers, from the bottom: util, platform (platform/ but platform/qt), engine, gui (platform/qt,
navbar, the forms and the dialog provider), apps (addin, app). A file may include files of its
own layer and the layers below; platform/qt, the widget kit, includes only platform and util.
Tests, benchmarks and fuzzing harnesses may include anything. Prints each fault and exits 1
when there is one.
"""

import os
import re
import sys

LAYERS = ["util", "platform", "engine", "gui", "apps"]
GUI_FILES = re.compile(r"(^|/)(frm[a-z]+|formimages)\.(h|cpp)$")
SKIPPED = ("tests/", "bench/", "fuzz/", "build", "tools/", "scripts/", "cmake/", "samples/", "docs/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer(path):
    if path.startswith("util/"):
        return "util"
    if path.startswith(("platform/qt/", "navbar/", "dialogs/")) or GUI_FILES.search(path):
        return "gui"
    if path.startswith("platform/"):
        return "platform"
    if path.startswith("addin/") or path.startswith("app/"):
        return "apps"
    return "engine"


def folder(path):
    parts = path.split("/")
    return "/".join(parts[:2]) if parts[0] in ("platform", "app") else parts[0]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    faults = []
    edges = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        dirnames[:] = [d for d in dirnames if not d.startswith(".")]
        if rel_dir != "." and (rel_dir + "/").startswith(SKIPPED):
            dirnames[:] = []
            continue
        for name in filenames:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.normpath(os.path.join(rel_dir, name)).replace(os.sep, "/")
            with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for target in INCLUDE.findall(text):
                if not os.path.exists(os.path.join(root, target)):
                    continue  # a generated header or one of a library
                own, other = layer(path), layer(target)
                if LAYERS.index(other) > LAYERS.index(own):
                    faults.append(f"{path}: includes {target}, a file of the {other} layer above its own ({own})")
                elif path.startswith("platform/qt/") and other == "engine":
                    faults.append(f"{path}: the widget kit includes {target} of the engine")
                a, b = folder(path), folder(target)
                if a != b:
                    edges.setdefault((a, b), path + " -> " + target)
    for (a, b), example in sorted(edges.items()):
        if a < b and (b, a) in edges:
            faults.append(f"{a} and {b} include each other: {example}; {edges[(b, a)]}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
