"""Which tests catch which planted faults: reads the per-mutant test logs
that scripts/mutate.py leaves in its work directories and prints,
for each test, how many mutants only it killed and how many it killed in
all. A test that no mutant fails, or that only shares its kills, is the
first place to look when the suite is to shrink.

    python3 scripts/mutation_kills.py WORK_DIR [WORK_DIR ...]
"""

import collections
import pathlib
import re
import sys

FAILED = re.compile(r"Test +#\d+: (\S+).*?\*\*\*(?:Failed|Exception|Timeout)")


def main(work_dirs):
    failed_by = {}  # mutant -> the tests that failed for it
    for work_dir in work_dirs:
        for log in sorted(pathlib.Path(work_dir, "logs").glob("M*.test.log")):
            tests = set(FAILED.findall(log.read_text(errors="replace")))
            if tests:
                failed_by[f"{work_dir}:{log.name.split('.')[0]}"] = tests
    kills = collections.Counter(t for tests in failed_by.values() for t in tests)
    alone = collections.Counter(next(iter(t)) for t in failed_by.values() if len(t) == 1)
    print(f"{len(failed_by)} mutants killed, {sum(alone.values())} of them by one test alone")
    print(" alone  all  test")
    for test in sorted(kills, key=lambda t: (-alone[t], -kills[t], t)):
        print(f"{alone[test]:6d} {kills[test]:4d}  {test}")


if __name__ == "__main__":
    main(sys.argv[1:] or sys.exit(__doc__))
