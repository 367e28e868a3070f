"""Every function that Tarnwick.exe and tarnwick-case.exe import must be in
win32-minimum.txt, with the first Windows NT version that has it, and none
may be newer than TARNWICK_NEWEST_WINDOWS (5.0 for the 32-bit build, which
must start on Windows 2000; unset: the list need only be complete). A
function that the system lacks makes the loader refuse the whole program,
so this is checked on the built files, as the toolchain's objdump reads
their import tables."""

import os
import re
import subprocess
import unittest

LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "win32-minimum.txt")


def imports_of(path):
    """(dll, function) pairs of the executable's import tables. A line under
    a DLL that is not a named import (one by ordinal) is kept whole, so that
    the list check names it."""
    out = subprocess.run([os.environ["TARNWICK_OBJDUMP"], "-p", path], capture_output=True,
                         text=True, check=True).stdout
    found, dll = [], None
    for line in out.splitlines():
        if named := re.match(r"\s*DLL Name: (\S+)", line):
            dll = named[1]
        elif not line.strip():
            dll = None
        elif dll and "Member-Name" not in line:
            entry = re.match(r"\s*[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", line)
            found.append((dll, entry[1] if entry else line.strip()))
    return found


def parse_version(text):
    return tuple(int(part) for part in text.split("."))


def read_list(path):
    """{(dll in lower case, function): version tuple}. A line that starts
    with '#' is a comment (an import by ordinal is written '#N' in the
    function column)."""
    entries = {}
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            if len(fields) != 3:
                raise ValueError(f"{path}:{number}: expected 'DLL function version'")
            key = (fields[0].lower(), fields[1])
            if key in entries:
                raise ValueError(f"{path}:{number}: {fields[0]} {fields[1]} listed twice")
            entries[key] = parse_version(fields[2])
    return entries


def offenders(imports, listed, newest=None):
    """Lines for the imports that are not listed, or need a Windows newer
    than `newest` (when given)."""
    found = []
    for dll, function in sorted(set(imports), key=lambda i: (i[0].lower(), i[1])):
        version = listed.get((dll.lower(), function))
        if version is None:
            found.append(f"{dll} {function}: not in the list")
        elif newest is not None and version > newest:
            found.append(f"{dll} {function}: needs Windows {'.'.join(map(str, version))}")
    return found


class Imports(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.listed = read_list(LIST)
        newest = os.environ.get("TARNWICK_NEWEST_WINDOWS")
        cls.newest = parse_version(newest) if newest else None
        cls.imports = {os.environ[name]: imports_of(os.environ[name])
                       for name in ("TARNWICK_EXE", "TARNWICK_CASE_EXE")}

    def test_every_import_is_listed_and_old_enough(self):
        for path, imports in self.imports.items():
            with self.subTest(os.path.basename(path)):
                self.assertIn("kernel32.dll", {dll.lower() for dll, _ in imports})
                self.assertEqual(offenders(imports, self.listed, self.newest), [])

    def test_the_check_names_what_is_missing_or_too_new(self):
        imports = self.imports[os.environ["TARNWICK_EXE"]]
        dropped, raised = sorted(set(imports))[:2]
        newest = max(self.listed.values())
        listed = dict(self.listed)
        del listed[(dropped[0].lower(), dropped[1])]
        listed[(raised[0].lower(), raised[1])] = (newest[0] + 1, 0)
        self.assertCountEqual(
            offenders(imports, listed, newest),
            [f"{dropped[0]} {dropped[1]}: not in the list",
             f"{raised[0]} {raised[1]}: needs Windows {newest[0] + 1}.0"])


if __name__ == "__main__":
    unittest.main()
