"""How many planted faults the native test suite catches.

Copies the committed tree (HEAD) into a work directory, builds it natively
(without sanitizers, -O1), then plants one fault at a time in a portable
source file (never a win32/ folder, a generated file or one the native
build does not compile): an operator, a comparison, a constant or a
condition changed. Each mutant is built and the whole native ctest run; a
failing or hanging suite kills it. A mutant whose object file is the same
as the original's cannot be told apart by any test and is not counted, nor
is one that does not compile.

    python3 scripts/mutate.py [--max 200] [--seed 1] [--work build/mutate]

Prints each mutant's outcome and last "killed K of N". The sample depends
only on the tree and the seed. The test log of each mutant is kept as
WORK/logs/M<number>.test.log, which scripts/mutation_kills.py reads.
"""

import argparse
import fnmatch
import hashlib
import json
import os
import pathlib
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time

# (pattern, replacement) on one line of code; each match is one mutant.
# Binary operators need blanks around them, which keeps template brackets,
# pointers and references out.
OPERATORS = [
    (r" == ", " != "), (r" != ", " == "), (r" < ", " <= "), (r" <= ", " < "),
    (r" > ", " >= "), (r" >= ", " > "),                    # comparisons
    (r" \+ ", " - "), (r" - ", " + "), (r" \* ", " / "), (r" / ", " * "),
    (r" % ", " * "), (r" \+= ", " -= "), (r" -= ", " += "),
    (r"\+\+", "--"), (r"(?<!-)--(?!-)", "++"),            # arithmetic
    (r" && ", " || "), (r" \|\| ", " && "),               # logic
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
]
ARITHMETIC = {r" \+ ", r" - ", r" \* ", r" / ", r" % ", r" \+= ", r" -= "}
NUMBER = re.compile(r"(?<![\w.])(0x[0-9A-Fa-f]+|\d+)(?![\w.'])")  # -> value + 1, 0 <-> 1
CONDITION = re.compile(r"\b(if|while) \(")                            # -> negated
SKIPPED_LINE = re.compile(r"^\s*(#|//|static_assert|namespace|using|template)")
STRING = re.compile(r'u?"(\\.|[^"\\])*"|u?\'(\\.|[^\'\\])*\'')


def run(command, cwd, log=None, timeout=None):
    """True when the command succeeds; False when it fails or times out.
    Whatever it started and left running (a test that a mutant made loop,
    whose parent was stopped) is ended with it."""
    with open(log or os.devnull, "w") as out:
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            return process.wait(timeout) == 0
        except subprocess.TimeoutExpired:
            out.write(f"\n*** timed out after {timeout} s\n")
            return False
        finally:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()


def code_of(line):
    """The line with its strings blanked out and its comment cut off."""
    code = STRING.sub(lambda m: " " * len(m.group()), line)
    return code.split("//")[0]


def object_of(entry):
    """The object file of a compile_commands.json entry: what follows -o."""
    words = shlex.split(entry["command"])
    return pathlib.Path(entry["directory"], words[words.index("-o") + 1])


def closing_paren(line, start):
    depth = 0
    for i in range(start, len(line)):
        depth += {"(": 1, ")": -1}.get(line[i], 0)
        if depth == 0:
            return i
    return None


def mutants_of(path, text):
    """(path, line number, old line, new line, what) for every fault that
    fits one line of the file."""
    found = []
    for number, line in enumerate(text.splitlines(), 1):
        if SKIPPED_LINE.match(line):
            continue
        code = code_of(line)

        def add(start, end, new, what):
            found.append((path, number, line, line[:start] + new + line[end:], what))
        for pattern, new in OPERATORS:
            if '"' in line and pattern in ARITHMETIC:
                continue  # joins texts: a changed operator would not compile
            for m in re.finditer(pattern, code):
                add(m.start(), m.end(), new, f"{m.group().strip()} -> {new.strip()}")
        for m in NUMBER.finditer(code):
            value = int(m.group(), 16 if m.group().startswith("0x") else 10)
            new = str({0: 1, 1: 0}.get(value, value + 1))
            add(m.start(), m.end(), new, f"{m.group()} -> {new}")
        for m in CONDITION.finditer(code):
            end = closing_paren(code, m.end() - 1)
            if end is not None:
                condition = line[m.end():end]
                add(m.end(), end, f"!({condition})", f"{m.group(1)} condition negated")
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--max", type=int, default=50, help="mutants to run (default 50)")
    parser.add_argument("--seed", type=int, default=1, help="sampling seed (default 1)")
    parser.add_argument("--work", help="work directory, emptied first (default build/mutate)")
    parser.add_argument("--files", default="src/**/*.cpp", help="files to mutate (glob)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--nice", type=int, default=0, help="lower the priority by N")
    parser.add_argument("--list", action="store_true",
                        help="only print the sampled mutants (the tree is built first)")
    args = parser.parse_args()
    os.nice(args.nice)
    repo = pathlib.Path(__file__).resolve().parent.parent
    work = pathlib.Path(args.work).resolve() if args.work else repo / "build" / "mutate"
    tree, build, logs = work / "tree", work / "tree" / "build", work / "logs"
    if work.exists() and any(work.iterdir()) and not tree.is_dir():
        sys.exit(f"{work} holds something else than an earlier run: give another --work")
    shutil.rmtree(work, ignore_errors=True)
    tree.mkdir(parents=True)
    logs.mkdir()
    archive = subprocess.run(["git", "archive", "HEAD"], cwd=repo, check=True,
                             capture_output=True).stdout
    subprocess.run(["tar", "-x"], cwd=tree, input=archive, check=True)

    print("building the original tree ...", flush=True)
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []  # quicker to rebuild
    if not run(["cmake", "-S", ".", "-B", str(build), *generator, "-DCMAKE_BUILD_TYPE=Debug",
                "-DCMAKE_CXX_FLAGS_DEBUG=-O1", "-DTARNWICK_SANITIZE=OFF",
                "-DTARNWICK_BUILD_BENCH=OFF", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"],
               tree, logs / "configure.log") or \
            not run(["cmake", "--build", str(build), "-j", str(args.jobs)], tree,
                    logs / "build.log"):
        sys.exit(f"the original tree does not build: see {logs}")
    objects = {pathlib.Path(e["file"]).resolve().relative_to(tree).as_posix(): object_of(e)
               for e in json.loads((build / "compile_commands.json").read_text())
               if pathlib.Path(e["file"]).resolve().is_relative_to(tree)}
    sources = sorted(p for p in objects if fnmatch.fnmatch(p, args.files)
                     and "/win32/" not in p
                     and not (tree / p).read_text().startswith("// Generated"))
    candidates = [m for p in sources for m in mutants_of(p, (tree / p).read_text())]
    sample = random.Random(args.seed).sample(candidates, min(args.max, len(candidates)))
    if args.list:
        for i, (path, number, _, _, what) in enumerate(sample, 1):
            print(f"M{i:03d} {path}:{number} {what}")
        return

    started = time.monotonic()
    ctest = ["ctest", "--test-dir", str(build), "-j", str(args.jobs)]
    if not run(ctest, tree, logs / "baseline.test.log"):
        sys.exit(f"the original tree fails its tests: see {logs / 'baseline.test.log'}")
    timeout = 3 * (time.monotonic() - started) + 30
    original = {p: hashlib.sha1(objects[p].read_bytes()).digest() for p in sources}
    print(f"{len(candidates)} mutants in {len(sources)} files, {len(sample)} sampled; "
          f"a test run may take {timeout:.0f} s", flush=True)

    killed = counted = 0
    for i, (path, number, old, new, what) in enumerate(sample, 1):
        name, source = f"M{i:03d}", tree / path
        text = source.read_text()
        lines = text.splitlines(keepends=True)
        lines[number - 1] = new + lines[number - 1][len(old):]
        source.write_text("".join(lines))
        try:
            if not run(["cmake", "--build", str(build), "-j", str(args.jobs)], tree,
                       logs / f"{name}.build.log"):
                outcome = "does not compile"
            elif hashlib.sha1(objects[path].read_bytes()).digest() == original[path]:
                outcome = "equivalent (same object)"
            else:
                counted += 1
                survived = run(ctest + ["--timeout", str(int(timeout))], tree,
                               logs / f"{name}.test.log", timeout + 60)
                killed += not survived
                outcome = "survived" if survived else "killed"
        finally:
            source.write_text(text)
        print(f"{name} {outcome:24s} {path}:{number} {what}", flush=True)
    print(f"killed {killed} of {counted}")


if __name__ == "__main__":
    main()
