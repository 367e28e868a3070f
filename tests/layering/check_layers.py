"""Checks that every include in src/ points down the layer order written in
src/CMakeLists.txt (or stays in its own folder), that portable code never
includes Win32 code, and that the files of one layer include each other
without a cycle (a header and its source file count as one: two files that
include each other's headers are a cycle). With --self-test it shows that a
file breaking any of these rules is caught."""

import pathlib
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)
WINDOWS_HEADERS = {"windows.h", "windowsx.h", "commctrl.h", "shellapi.h", "shlobj.h", "objbase.h",
                   "oleauto.h", "winreg.h", "winuser.h"}


def layer_levels(src):
    """{folder: level} from the line "common -> errors -> case, env -> ..."."""
    for line in (src / "CMakeLists.txt").read_text().splitlines():
        if "->" in line and line.lstrip().startswith("#"):
            levels = [group.split(",") for group in line.lstrip("# ").split("->")]
            return {name.strip(): level for level, group in enumerate(levels) for name in group}
    raise SystemExit("src/CMakeLists.txt names no layer order")


def sources(src):
    """(path relative to src, its includes) of every .h and .cpp file."""
    for path in sorted(src.rglob("*")):
        if path.suffix in (".h", ".cpp") and path.is_file():
            yield path.relative_to(src).as_posix(), INCLUDE.findall(path.read_text(errors="replace"))


def violations(src):
    levels = layer_levels(src)
    found = []
    for relative, includes in sources(src):
        layer = relative.split("/")[0]
        portable = "win32" not in relative.split("/")[:-1]
        for target in includes:
            parts = target.split("/")
            if portable and ("win32" in parts[:-1] or target.lower() in WINDOWS_HEADERS):
                found.append(f"{relative}: portable code includes {target}")
            if len(parts) < 2 or parts[0] not in levels or parts[0] == layer:
                continue
            if layer not in levels:
                found.append(f"{relative}: {layer}/ is in no layer")
            elif levels[parts[0]] >= levels[layer]:
                found.append(f"{relative}: {layer} (layer {levels[layer]}) includes {target} "
                             f"(layer {levels[parts[0]]})")
    return found


def unit_of(path):
    """A header and its source file are one unit: the path without suffix."""
    return str(pathlib.PurePosixPath(path).with_suffix(""))


def unit_of_file(src, relative, includes):
    """A source file without a header of its own implements a part of the
    header it includes first from its own layer (Form1Field.cpp of
    Form1.h), and belongs to that header's unit."""
    own = unit_of(relative)
    if relative.endswith(".cpp") and not (src / (own + ".h")).is_file():
        layer = relative.split("/")[0]
        for target in includes:
            if target.split("/")[0] == layer and (src / target).is_file():
                return unit_of(target)
    return own


# Cycles that stood before this check looked for them. Each is named in
# every run; a unit that joins one of them, or any other cycle, fails it.
# The kernels' one (the dispatch and the kernels, whose files have no header
# of their own and so count as the unit of CaseVector, and the target
# regions and block loop that include its declarations back) grew by the
# AVX2 and AVX-512 kernels of UTF-8.
KNOWN_CYCLES = [["case/Avx2TargetBegin", "case/Avx512TargetBegin", "case/CaseRules",
                 "case/CaseUtf8Blocks", "case/CaseVector", "case/Sse2TargetBegin"],
                ["errors/ErrObjects", "errors/ErrReport", "errors/ErrTrap"]]


def include_cycles(src):
    """The groups of units of one layer that include each other's headers,
    directly or through other units (the strongly connected components of
    more than one unit), each sorted."""
    edges = {}
    for relative, includes in sources(src):
        unit = unit_of_file(src, relative, includes)
        for target in includes:
            if target.split("/")[0] == relative.split("/")[0] and (src / target).is_file() \
                    and unit_of(target) != unit:
                edges.setdefault(unit, set()).add(unit_of(target))

    def reached_from(unit):
        seen, todo = set(), [unit]
        while todo:
            for target in edges.get(todo.pop(), ()):
                if target not in seen:
                    seen.add(target)
                    todo.append(target)
        return seen
    reached = {unit: reached_from(unit) for unit in edges}
    # A unit in a cycle reaches itself; its group is every unit that it
    # reaches and that reaches it back.
    groups = {tuple(sorted(other for other in reached[unit] if unit in reached.get(other, ())))
              for unit in edges if unit in reached[unit]}
    return sorted(list(group) for group in groups)


def self_test():
    with tempfile.TemporaryDirectory() as folder:
        src = pathlib.Path(folder)
        (src / "CMakeLists.txt").write_text("#   low -> mid, side -> high\n")
        files = {"low/A.h": '#include "high/B.h"\n', "mid/M.cpp": '#include "side/S.h"\n',
                 "mid/P.cpp": "#include <windows.h>\n", "mid/Q.cpp": '#include "low/win32/W.h"\n',
                 "high/B.h": '#include "low/A.h"\n#include "mid/M.h"\n',
                 "high/win32/C.cpp": "#include <windows.h>\n",
                 # Two files of one layer that include each other's headers, and
                 # a cycle of three, beside files that include each other one
                 # way only; a part of the unit J, in a file of its own, uses
                 # K, which uses J.
                 "mid/win32/C.cpp": '#include "mid/win32/D.h"\n', "mid/win32/C.h": "",
                 "mid/win32/D.h": "", "mid/win32/D.cpp": '#include "mid/win32/C.h"\n',
                 "mid/E.h": '#include "mid/F.h"\n', "mid/F.h": '#include "mid/G.h"\n',
                 "mid/G.h": '#include "mid/E.h"\n', "mid/H.cpp": '#include "mid/E.h"\n',
                 "mid/J.h": "", "mid/JPart.cpp": '#include "mid/J.h"\n#include "mid/K.h"\n',
                 "mid/K.h": "", "mid/K.cpp": '#include "mid/J.h"\n'}
        for name, text in files.items():
            (src / name).parent.mkdir(parents=True, exist_ok=True)
            (src / name).write_text(text)
        found = violations(src)
        cycles = include_cycles(src)
    expected = (["low/A.h", "mid/M.cpp", "mid/P.cpp", "mid/Q.cpp"],
                [["mid/E", "mid/F", "mid/G"], ["mid/J", "mid/K"], ["mid/win32/C", "mid/win32/D"]])
    caught = (sorted({line.split(":")[0] for line in found}), cycles)
    if caught != expected:
        print(f"the check caught (layer order, cycles) {caught}, not {expected}")
        return 1
    print("the check catches includes against the layer order, Win32 code in portable code "
          "and include cycles within a layer")
    return 0


def main():
    if sys.argv[1:2] == ["--self-test"]:
        return self_test()
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = violations(src)
    cycles = []
    for cycle in include_cycles(src):
        known = cycle in KNOWN_CYCLES
        print(f"{'known ' if known else ''}include cycle: {', '.join(cycle)}")
        cycles += [] if known else [cycle]
    for line in found:
        print(line)
    print(f"{len(found)} includes against the layer order" if found else "layer order kept")
    print(f"{len(cycles)} new include cycles within a layer" if cycles else "no new include cycle")
    return 1 if found or cycles else 0


if __name__ == "__main__":
    sys.exit(main())
