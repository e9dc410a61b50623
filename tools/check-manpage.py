#!/usr/bin/env python3
"""Checks that the manual page and the bash completion list what `tavro --help` lists.

    tools/check-manpage.py TAVRO MANPAGE COMPLETION

Reads the commands from `tavro --help` and each command's options from `tavro CMD --help`
(and `tavro project SUB --help`), then fails when the manual page lacks a command or an
option, or lists one the tool does not have, and likewise for the completion's lists. It also
runs the completion in bash for a few command lines. Prints each fault and exits 1 when there
is one.
"""

import re
import subprocess
import sys

OPTION_LINE = re.compile(r"^  (-[A-Za-z0-9](?=[, ]))?,?(--[a-z][a-z-]*)?")
HELP = {"-h", "--help"}


def run_help(tavro, words):
    out = subprocess.run([tavro, *words, "--help"], capture_output=True, text=True, check=True).stdout
    section, options, commands = None, set(), []
    for line in out.splitlines():
        if line and not line.startswith(" "):
            section = line.rstrip(":")
            continue
        if section == "Options":
            m = OPTION_LINE.match(line)
            if m:
                options.update(x for x in m.groups() if x)
        elif section == "Subcommands":
            m = re.match(r"^  ([a-z]+)\s", line)
            if m:
                commands.append(m.group(1))
    return options, commands


def tool_commands(tavro):
    """{"" : top-level options, "convert": options, "project new": options, ...}; a command
    with commands of its own is there with its options, and so is each of its commands."""
    top, commands = run_help(tavro, [])
    table = {"": top}
    for cmd in commands:
        options, subs = run_help(tavro, [cmd])
        table[cmd] = options
        for sub in subs:
            table[f"{cmd} {sub}"] = run_help(tavro, [cmd, sub])[0]
    return table


def unescape(text):
    text = re.sub(r"\\f[BIRP]", "", text)
    return text.replace("\\-", "-").replace('"', "")


def man_commands(path):
    """{"": options of OPTIONS, "convert": options of its .TP items, ...}"""
    table, current, tp = {}, None, False
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith(".SH"):
                current = "" if unescape(line[3:]).strip() == "OPTIONS" else None
                if current is not None:
                    table[current] = set()
            elif line.startswith(".SS"):
                words = unescape(line[3:]).split()
                if words and words[0] == "tavro":
                    names = [w for w in words[1:] if re.fullmatch(r"[a-z]+", w)]
                    current = " ".join(names[:2] if names[:1] == ["project"] else names[:1])
                    table[current] = set()
            elif line.startswith(".TP"):
                tp = True
                continue
            elif tp and current is not None:
                # The line after .TP names the item: its options and their values.
                table[current].update(re.findall(r"(?<![\w-])(--?[A-Za-z0-9][a-z0-9-]*)", unescape(line)))
            tp = False
    return table


def completion_commands(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    commands = re.search(r'local commands="([^"]*)"', text).group(1).split()
    project = re.search(r'local project_commands="([^"]*)"', text).group(1).split()
    table = {}
    for keys, opts in re.findall(r'^\s*([a-z" |]+)\)\s*opts="([^"]*)"', text, re.M):
        for key in keys.split("|"):
            table[key.strip().strip('"')] = set(opts.split())
    return commands, project, table


def complete(completion, line):
    """What the completion offers for the command line `line` (completing its last word)."""
    script = f"""
source {completion!r}
COMP_WORDS=({line})
[[ "{line}" == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$((${{#COMP_WORDS[@]}} - 1))
_tavro
printf '%s\\n' "${{COMPREPLY[@]}}"
"""
    out = subprocess.run(["bash", "-c", script], capture_output=True, text=True, check=True).stdout
    return sorted(x for x in out.splitlines() if x)


def main():
    tavro, manpage, completion = sys.argv[1:4]
    faults = []
    tool = tool_commands(tavro)
    leaves = {k for k in tool if k and not any(o.startswith(k + " ") for o in tool)}

    man = man_commands(manpage)
    for cmd in sorted(leaves - man.keys()):
        faults.append(f"{manpage}: no section for 'tavro {cmd}'")
    for cmd in sorted(man.keys() - tool.keys()):
        faults.append(f"{manpage}: a section for 'tavro {cmd}', which the tool does not have")
    for cmd in sorted(man.keys() & tool.keys()):
        want = tool[cmd] if cmd == "" else tool[cmd] - HELP
        for opt in sorted(want - man[cmd]):
            faults.append(f"{manpage}: 'tavro {cmd}' lacks {opt}".replace("tavro  ", "tavro "))
        for opt in sorted(man[cmd] - want):
            faults.append(f"{manpage}: 'tavro {cmd}' lists {opt}, which the tool does not have".replace("tavro  ", "tavro "))

    commands, project, comp = completion_commands(completion)
    if sorted(commands) != sorted(k for k in tool if k and " " not in k):
        faults.append(f"{completion}: commands {commands} differ from the tool's")
    if sorted(project) != sorted(k.split()[1] for k in tool if k.startswith("project ")):
        faults.append(f"{completion}: project commands {project} differ from the tool's")
    for cmd in sorted(tool):
        if comp.get(cmd) != tool[cmd]:
            faults.append(f"{completion}: options of 'tavro {cmd}' {sorted(comp.get(cmd, []))} "
                          f"differ from the tool's {sorted(tool[cmd])}")

    cases = {
        "tavro con": ["convert"],
        "tavro project l": ["list"],
        "tavro image a.png --dither ": ["floyd", "matrix-display", "matrix-printing", "none", "random"],
        "tavro import p.html --dither m": ["matrix-display", "matrix-printing"],
        "tavro xslt W": ["WMLEXPORT"],
        "tavro compile --": [],
    }
    for line, want in cases.items():
        got = complete(completion, line)
        if line == "tavro compile --":
            want = sorted(o for o in tool["compile"] if o.startswith("--"))
        if got != want:
            faults.append(f"{completion}: '{line}' completes to {got}, not {want}")

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
