#!/usr/bin/env python3
"""Writes Tarnwick's case tables from the Unicode Character Database.

Reads UnicodeData.txt (simple upper- and lower-case mappings) and
CaseFolding.txt (simple case folding, for the cased-letter test) and writes
src/case/CaseTableData.cpp: compact runs that the program expands into flat
64K-entry tables on first use.

Only the Basic Multilingual Plane is covered, and every code unit maps to
exactly one code unit: a mapping whose target lies outside the BMP leaves
the unit unchanged.

A code unit c is a cased letter when U(c) != L(c) and U(c), L(c) fold to the
same unit under simple case folding.

Usage:
  casegen.py [--ucd DIR] [--out DIR]   write the tables
  casegen.py [--ucd DIR] --check DIR   regenerate into a temporary folder and
                                       compare with the files in DIR; exit 0
                                       when identical, 1 when not, 77 when the
                                       database is missing
"""

import argparse
import filecmp
import os
import sys
import tempfile

BMP = 0x10000
OUTPUT_NAME = "CaseTableData.cpp"
SKIP_EXIT = 77


def read_simple_mappings(path):
    """Returns (upper, lower): lists of BMP code units, identity where unmapped."""
    upper = list(range(BMP))
    lower = list(range(BMP))
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            if len(fields) < 14:
                continue
            code = int(fields[0], 16)
            if code >= BMP:
                continue
            for table, field in ((upper, fields[12]), (lower, fields[13])):
                if field:
                    target = int(field, 16)
                    if target < BMP:
                        table[code] = target
    return upper, lower


def read_simple_folding(path):
    """Simple case folding (statuses C and S) over the BMP."""
    fold = list(range(BMP))
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = [x.strip() for x in line.split(";")]
            if len(fields) < 3 or fields[1] not in ("C", "S"):
                continue
            code = int(fields[0], 16)
            target = int(fields[2], 16)
            if code < BMP and target < BMP:
                fold[code] = target
    return fold


def cased_letters(upper, lower, fold):
    return [c for c in range(BMP)
            if upper[c] != lower[c] and fold[upper[c]] == fold[lower[c]]]


def mapping_runs(table):
    """Groups the changed units into runs (first, count, stride, delta).

    A run covers first, first + stride, ... (count units), each mapped to
    itself plus delta (modulo 0x10000). Strides 1 (A..Z) and 2 (the
    alternating upper/lower pairs of Latin Extended, Cyrillic, ...) cover
    almost every mapping.
    """
    changed = {c: (table[c] - c) % BMP for c in range(BMP) if table[c] != c}
    runs = []
    done = set()
    for c in sorted(changed):
        if c in done:
            continue
        delta = changed[c]
        best_stride, best_count = 1, 1
        for stride in (1, 2):
            count = 1
            while changed.get(c + count * stride) == delta and c + count * stride not in done:
                count += 1
            if count > best_count:
                best_stride, best_count = stride, count
        for k in range(best_count):
            done.add(c + k * best_stride)
        runs.append((c, best_count, best_stride, delta))
    return runs


def unit_ranges(units):
    """Consecutive units as inclusive ranges (first, last)."""
    ranges = []
    for c in units:
        if ranges and ranges[-1][1] == c - 1:
            ranges[-1][1] = c
        else:
            ranges.append([c, c])
    return [tuple(r) for r in ranges]


def database_version(ucd_dir):
    readme = os.path.join(ucd_dir, "ReadMe.txt")
    try:
        with open(readme, encoding="utf-8") as f:
            for line in f:
                if line.startswith("# Date:"):
                    return line[len("# Date:"):].strip()
    except OSError:
        pass
    return "unknown"


def format_rows(items, per_line):
    lines = []
    for i in range(0, len(items), per_line):
        lines.append("    " + " ".join(items[i:i + per_line]))
    return "\n".join(lines)


def render(upper, lower, cased, version):
    def runs_block(name, table):
        runs = mapping_runs(table)
        items = ["{0x%04X, %d, %d, 0x%04X}," % r for r in runs]
        return ("const CaseRun k%sRuns[] = {\n%s\n};\n" % (name, format_rows(items, 3)),
                len(runs))

    upper_block, upper_count = runs_block("Upper", upper)
    lower_block, lower_count = runs_block("Lower", lower)
    ranges = unit_ranges(cased)
    range_items = ["{0x%04X, 0x%04X}," % r for r in ranges]
    cased_block = "const UnitRange kCasedRanges[] = {\n%s\n};\n" % format_rows(range_items, 4)

    return (
        "// Generated by tools/casegen/casegen.py from the Unicode Character Database\n"
        "// (%s). Do not edit: run the generator instead.\n"
        "// %d upper-case runs, %d lower-case runs, %d cased letters in %d ranges.\n"
        "#include \"case/CaseTableData.h\"\n"
        "\n"
        "namespace tarnwick::mCase::data {\n"
        "namespace {\n"
        "\n"
        "%s\n%s\n%s\n"
        "}  // namespace\n"
        "\n"
        "std::span<const CaseRun> UpperRuns() { return kUpperRuns; }\n"
        "std::span<const CaseRun> LowerRuns() { return kLowerRuns; }\n"
        "std::span<const UnitRange> CasedRanges() { return kCasedRanges; }\n"
        "\n"
        "}  // namespace tarnwick::mCase::data\n"
        % (version, upper_count, lower_count, len(cased), len(ranges),
           upper_block, lower_block, cased_block))


def generate(ucd_dir, out_dir):
    upper, lower = read_simple_mappings(os.path.join(ucd_dir, "UnicodeData.txt"))
    fold = read_simple_folding(os.path.join(ucd_dir, "CaseFolding.txt"))
    text = render(upper, lower, cased_letters(upper, lower, fold), database_version(ucd_dir))
    with open(os.path.join(out_dir, OUTPUT_NAME), "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Writes the case tables.")
    parser.add_argument("--ucd", default="/usr/share/unicode",
                        help="folder with UnicodeData.txt and CaseFolding.txt")
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "src", "case"),
                        help="folder to write %s into" % OUTPUT_NAME)
    parser.add_argument("--check", metavar="DIR",
                        help="compare a fresh generation with the tables in DIR")
    args = parser.parse_args()

    needed = [os.path.join(args.ucd, n) for n in ("UnicodeData.txt", "CaseFolding.txt")]
    missing = [p for p in needed if not os.path.isfile(p)]
    if missing:
        print("casegen: missing %s" % ", ".join(missing), file=sys.stderr)
        return SKIP_EXIT if args.check else 1

    if not args.check:
        generate(args.ucd, args.out)
        return 0
    with tempfile.TemporaryDirectory() as tmp:
        generate(args.ucd, tmp)
        fresh = os.path.join(tmp, OUTPUT_NAME)
        committed = os.path.join(args.check, OUTPUT_NAME)
        if os.path.isfile(committed) and filecmp.cmp(fresh, committed, shallow=False):
            return 0
    print("casegen: %s differs from a fresh generation; run tools/casegen/casegen.py"
          % committed, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
