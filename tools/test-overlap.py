#!/usr/bin/env python3
"""Which tests cover code that no other test covers, and which cover nothing of their own.

    tools/test-overlap.py [BUILD_DIR]      (default build-coverage, made by scripts/coverage)
    tools/test-overlap.py --without PATTERN... [--build BUILD_DIR]
    tools/test-overlap.py --cut LINES [--build BUILD_DIR]

The first form saves what each test covers in BUILD_DIR/test-coverage.json. The second reads it
back and prints the lines and branches that no test outside those the patterns name (shell
patterns on "Suite.Test") covers: what a cut of those tests would leave uncovered. The third
picks the tests a cut of LINES lines of test body would take at the least cost in coverage
(each time the test whose lines no other test covers are fewest for its size) and prints them,
one pattern a line for --without, with the lines and branches the cut leaves uncovered.

Runs every test of the suite on its own in a coverage build, each with a profile of its own,
and reads back the lines and branches of the code (outside tests/, bench/ and fuzz/) that it
runs, and the stylesheets' lines (tools/xslcoverage.py). Prints, for each test, how many lines
and branches only it covers, the tests that cover nothing of their own (candidates for a cut,
when what they assert is asserted elsewhere), and how many tests, and lines of test body, a
smallest set that keeps every covered line and branch needs (picked greedily, most new coverage
per line of test first).

A test that covers nothing of its own may still be the only one that checks a result.
"""

import collections
import concurrent.futures
import json
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from testprograms import programs  # noqa: E402
import xslcoverage  # noqa: E402

IGNORED = r"(^|/)(tests|bench|fuzz|build[^/]*|usr)/"
TEST_MACRO = re.compile(r"^\s*TEST(?:_F|_P)?\((\w+),\s*(\w+)\)", re.M)


def environment(test, profile, hook, folder):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LLVM_PROFILE_FILE=profile,
               **xslcoverage.environment(hook, folder))
    for prop in test.get("properties", []):
        if prop["name"] == "ENVIRONMENT":
            env.update(entry.split("=", 1) for entry in prop["value"])
    return env


def working_directory(test):
    for prop in test.get("properties", []):
        if prop["name"] == "WORKING_DIRECTORY":
            return prop["value"]
    return None


def covered(lcov):
    """The (file, line) and (file, branch) entries an lcov report counts as run."""
    items, source = set(), None
    for line in lcov.splitlines():
        if line.startswith("SF:"):
            source = line[3:]
        elif line.startswith("DA:"):
            number, count = line[3:].split(",")[:2]
            if int(count) > 0:
                items.add(("line", source, number))
        elif line.startswith("BRDA:"):
            number, block, branch, taken = line[5:].split(",")
            if taken not in ("-", "0"):
                items.add(("branch", source, number, block, branch))
    return items


def run_alone(test, objects, scratch, hook):
    folder = tempfile.mkdtemp(dir=scratch)
    subprocess.run(test["command"], env=environment(test, os.path.join(folder, "%p.profraw"), hook, folder),
                   cwd=working_directory(test), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    # The stylesheets' lines, which llvm-cov cannot see, count as lines too.
    stylesheet = {("line", path, str(line)) for path, line in xslcoverage.covered(folder)}
    raws = [os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".profraw")]
    if not raws:
        return stylesheet
    profile = os.path.join(folder, "merged.profdata")
    subprocess.run(["llvm-profdata", "merge", "-sparse", *raws, "-o", profile], check=True)
    export = ["llvm-cov", "export", "-format=lcov", "-instr-profile=" + profile, objects[0]]
    for extra in objects[1:]:
        export += ["-object", extra]
    report = subprocess.run(export + ["-ignore-filename-regex=" + IGNORED], capture_output=True, text=True)
    return covered(report.stdout) | stylesheet


def body_lines(source_dir):
    """Lines of each TEST's body, by (suite, name), from its opening line to the closing brace."""
    sizes = {}
    for root, _, files in os.walk(os.path.join(source_dir, "tests")):
        for name in files:
            if not name.endswith(".cpp"):
                continue
            text = open(os.path.join(root, name), encoding="utf-8").read()
            for match in TEST_MACRO.finditer(text):
                end = text.find("\n}", match.start())
                sizes[(match.group(1), match.group(2))] = text.count("\n", match.start(), end) + 1
    return sizes


def size_of(name, sizes):
    suite, _, case = name.partition(".")
    return sizes.get((suite.split("/")[-1], case.split("/")[0]), 0)


def saved_runs(build):
    with open(os.path.join(build, "test-coverage.json")) as f:
        return {name: {tuple(i) for i in items} for name, items in json.load(f).items()}


def cheapest_cut(lines, build):
    runs = saved_runs(build)
    sizes = body_lines(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    counts = collections.Counter(i for items in runs.values() for i in items)
    left = {n for n in runs if size_of(n, sizes) > 0}
    cut, taken = [], 0
    while taken < lines and left:
        def cost(n):
            return sum(counts[i] == 1 for i in runs[n]) / size_of(n, sizes)
        worst = min(sorted(left), key=cost)
        left.remove(worst)
        cut.append(worst)
        taken += size_of(worst, sizes)
        counts.subtract(runs[worst])
    lost = [i for i, n in counts.items() if n == 0]
    print(f"{len(cut)} tests, {taken} lines of test body; {sum(i[0] == 'line' for i in lost)} lines and "
          f"{sum(i[0] == 'branch' for i in lost)} branches no longer covered")
    for name in cut:
        print(name)


def without(patterns, build):
    import fnmatch

    runs = saved_runs(build)
    cut = {n for n in runs if any(fnmatch.fnmatchcase(n, p) for p in patterns)}
    kept = set().union(*(runs[n] for n in runs if n not in cut))
    lost = sorted(set().union(*(runs[n] for n in cut)) - kept)
    print(f"{len(cut)} tests cut, {sum(i[0] == 'line' for i in lost)} lines and "
          f"{sum(i[0] == 'branch' for i in lost)} branches no longer covered")
    for item in lost:
        print("  " + " ".join(item))


def main():
    if len(sys.argv) > 1 and sys.argv[1] in ("--without", "--cut"):
        args = sys.argv[2:]
        build = "build-coverage"
        if "--build" in args:
            at = args.index("--build")
            build, args = args[at + 1], args[:at] + args[at + 2:]
        return without(args, build) if sys.argv[1] == "--without" else cheapest_cut(int(args[0]), build)
    build = sys.argv[1] if len(sys.argv) > 1 else "build-coverage"
    source_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    listing = json.loads(subprocess.check_output(["ctest", "--test-dir", build, "--show-only=json-v1"]))
    tests = [t for t in listing["tests"] if "command" in t]
    objects = programs(build, ("tavro", "tavro-host", "libtavro.so"))
    hook = xslcoverage.build(build)
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(2) as pool:
        runs = dict(zip((t["name"] for t in tests), pool.map(lambda t: run_alone(t, objects, scratch, hook), tests)))
    with open(os.path.join(build, "test-coverage.json"), "w") as f:
        json.dump({name: sorted(items) for name, items in runs.items()}, f)

    counts = {}
    for items in runs.values():
        for item in items:
            counts[item] = counts.get(item, 0) + 1
    sizes = body_lines(source_dir)
    print("own lines  own branches  body lines  test")
    rows = []
    for name, items in runs.items():
        own = [i for i in items if counts[i] == 1]
        rows.append((sum(i[0] == "line" for i in own), sum(i[0] == "branch" for i in own), name))
    for lines, branches, name in sorted(rows, reverse=True):
        print(f"{lines:9}  {branches:12}  {size_of(name, sizes):10}  {name}")

    nothing = [name for lines, branches, name in rows if lines == 0 and branches == 0 and runs[name]]
    print(f"\n{len(nothing)} tests cover nothing of their own "
          f"({sum(size_of(n, sizes) for n in nothing)} lines of test body)")

    everything, kept, chosen = set(counts), set(), []
    while kept != everything:
        best = max(runs, key=lambda n: len(runs[n] - kept) / max(size_of(n, sizes), 1))
        chosen.append(best)
        kept |= runs[best]
    total = sum(size_of(n, sizes) for n in runs)
    print(f"{len(chosen)} of {len(runs)} tests ({sum(size_of(n, sizes) for n in chosen)} of {total} lines of "
          f"test body) keep every covered line and branch")


if __name__ == "__main__":
    main()
