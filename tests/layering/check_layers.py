"""Checks that every include in src/ points down the layer order written in
src/CMakeLists.txt (or stays in its own folder), and that portable code
never includes Win32 code. With --self-test it shows that a file breaking
either rule is caught."""

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


def violations(src):
    levels = layer_levels(src)
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(src)
        layer = relative.parts[0]
        portable = "win32" not in relative.parts[:-1]
        for target in INCLUDE.findall(path.read_text(errors="replace")):
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


def self_test():
    with tempfile.TemporaryDirectory() as folder:
        src = pathlib.Path(folder)
        (src / "CMakeLists.txt").write_text("#   low -> mid, side -> high\n")
        files = {"low/A.h": '#include "high/B.h"\n', "mid/M.cpp": '#include "side/S.h"\n',
                 "mid/P.cpp": "#include <windows.h>\n", "mid/Q.cpp": '#include "low/win32/W.h"\n',
                 "high/B.h": '#include "low/A.h"\n#include "mid/M.h"\n',
                 "high/win32/C.cpp": "#include <windows.h>\n"}
        for name, text in files.items():
            (src / name).parent.mkdir(parents=True, exist_ok=True)
            (src / name).write_text(text)
        found = violations(src)
    expected = ["low/A.h", "mid/M.cpp", "mid/P.cpp", "mid/Q.cpp"]
    caught = sorted({line.split(":")[0] for line in found})
    if caught != expected:
        print(f"the check caught {caught}, not {expected}")
        return 1
    print("the check catches includes against the layer order and Win32 code in portable code")
    return 0


def main():
    if sys.argv[1:2] == ["--self-test"]:
        return self_test()
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = violations(src)
    for line in found:
        print(line)
    print(f"{len(found)} includes against the layer order" if found else "layer order kept")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
