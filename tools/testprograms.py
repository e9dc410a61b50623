"""The programs of a build that the test tools run or read coverage from."""

import os


def programs(build, names=()):
    """Every built test program (test_*) under build, and the programs called one of names,
    in path order; a coverage build's profiles/ folder is left out."""
    found = []
    for root, _, files in os.walk(build):
        if "profiles" in root:
            continue
        for name in files:
            path = os.path.join(root, name)
            if (name.startswith("test_") or name in names) and os.access(path, os.X_OK):
                found.append(path)
    return sorted(found)
