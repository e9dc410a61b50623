#!/usr/bin/env python3
"""Whether the tests catch small faults put into the code, one at a time.

    tools/mutants.py [--build DIR] [--count N] [--seed S] [--timeout SECONDS] FILE...

Picks N changes at random among the lines of the given source files (a comparison turned into
its neighbour, == into !=, && into ||, true into false, a "+ 1" or "- 1" dropped, a number made
one larger), and for each: writes it into the file, builds (DIR, default build), runs the whole
suite, each test program on its own (one that runs longer than SECONDS, default 60, or crashes
counts as failed: a change may make a loop endless), and puts the file back. Prints each change with the tests that failed on it, or
SURVIVED when none did; then how many were caught, and for each test how many changes only it
caught. A change that survives is either one no user could see (equal behaviour) or a fault
the tests miss; a test that catches nothing alone may still be worth its lines, but it is
where a cut costs least.

The source tree is changed while this runs: build nothing else and edit nothing meanwhile. An
interrupt or a termination puts the file back before it stops. A build without benchmarks or
debug information links fastest:

    cmake -S . -B build-mut -G Ninja -DCMAKE_BUILD_TYPE=None "-DCMAKE_CXX_FLAGS=-O1 -g0" \
        -DTAVRO_BUILD_BENCH=OFF && cmake --build build-mut -j2
"""

import argparse
import collections
import concurrent.futures
import os
import random
import re
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from testprograms import programs  # noqa: E402

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (pattern, replacement); None makes the number one larger.
CHANGES = [
    (r"<=", "<"),
    (r">=", ">"),
    (r"(?<![<>=!-])<(?![<=])", "<="),
    (r"(?<![<>=-])>(?![>=])", ">="),
    (r"==", "!="),
    (r"!=", "=="),
    (r"&&", "||"),
    (r"\|\|", "&&"),
    (r"\btrue\b", "false"),
    (r"\bfalse\b", "true"),
    (r" \+ 1\b", ""),
    (r" - 1\b", ""),
    (r"(?<![\w.])([2-9]|[1-9]\d+)(?![\w.'])", None),
]
SKIPPED_LINES = re.compile(r"^\s*(//|#|\*|/\*)|static_assert|template|operator|std::array<|\w<[\w:]+>")


def candidates(path):
    found = []
    with open(os.path.join(SOURCE_DIR, path), encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines):
        code = line.split("//")[0]
        if not code.strip() or SKIPPED_LINES.search(code):
            continue
        for pattern, replacement in CHANGES:
            for match in re.finditer(pattern, code):
                if code[: match.start()].count('"') % 2:
                    continue  # inside a string literal
                around = code[max(0, match.start() - 1) : match.end() + 1]
                if replacement in ("<=", ">=") and re.search(r"\w<|\w>|->|>>|<<|>\(", around):
                    continue  # a template argument list, an arrow or a shift
                new = str(int(match.group(0)) + 1) if replacement is None else replacement
                found.append((path, number, match.start(), match.end(), new))
    return found


def run(command, **kwargs):
    return subprocess.run(command, cwd=SOURCE_DIR, capture_output=True, text=True, **kwargs)


def failing_tests(build, timeout):
    """The tests of every test program that fail; a program that hangs or crashes counts as one."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

    def failures(program):
        # A session of its own, so that a timeout also ends what the program started: a
        # changed tavro run by a test may loop, writing without end, after its test is gone.
        with subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                              errors="replace", start_new_session=True) as process:
            try:
                stdout, _ = process.communicate(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.communicate()
                return [os.path.basename(program) + " (hung)"]
            finally:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        failed = sorted(set(re.findall(r"^\[  FAILED  \] (\w+\.\w+(?:/\w+)*)", stdout, re.M)))
        if process.returncode != 0 and not failed:
            failed = [os.path.basename(program) + " (crashed)"]
        return failed

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        found = programs(build)
        if not found:
            sys.exit(f"no test programs in {build}: build it first")
        return [name for names in pool.map(failures, found) for name in names]


def try_change(build, timeout, change):
    path, number, start, end, new = change
    full = os.path.join(SOURCE_DIR, path)
    with open(full, encoding="utf-8") as f:
        original = f.read()
    lines = original.split("\n")
    before = lines[number]
    lines[number] = before[:start] + new + before[end:]
    try:
        with open(full, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        if run(["cmake", "--build", build, "-j2"]).returncode != 0:
            return before, lines[number], None
        return before, lines[number], failing_tests(build, timeout)
    finally:
        with open(full, "w", encoding="utf-8") as f:
            f.write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--count", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=60)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    pool = [c for path in args.files for c in candidates(path)]
    random.Random(args.seed).shuffle(pool)
    caught, survived, unbuilt = 0, [], 0
    alone = collections.Counter()
    # A termination unwinds like an interrupt, so that the changed file is put back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        for change in pool[: args.count]:
            before, after, failed = try_change(args.build, args.timeout, change)
            where = f"{change[0]}:{change[1] + 1}"
            if failed is None:
                unbuilt += 1
                continue
            if failed:
                caught += 1
                if len(failed) == 1:
                    alone[failed[0]] += 1
            else:
                survived.append(where)
            print(f"{where}: {before.strip()}  ->  {after.strip()}\n    {', '.join(failed) or 'SURVIVED'}", flush=True)
    finally:
        run(["cmake", "--build", args.build, "-j2"])
    print(f"\n{caught} of {caught + len(survived)} changes caught ({unbuilt} did not build)")
    for test, count in alone.most_common():
        print(f"{count:4}  caught only by {test}")


if __name__ == "__main__":
    main()
