#!/usr/bin/env python3
"""Checks the release zip: exactly the files a user needs, nothing of the
test tree, and each executable built for the architecture and subsystem its
folder promises.

    python3 scripts/check-package.py build/windows/Tarnwick-2.0.0-windows.zip

Exit status 0 when the package is sound, 1 with the faults listed."""

import struct
import sys
import zipfile

ROOT = "Tarnwick-2.0.0-windows/"
AMD64, I386 = 0x8664, 0x014C
GUI, CONSOLE = 2, 3

# Path inside the root folder: (machine, subsystem), None for plain files.
EXPECTED = {
    "README.txt": None,
    "LICENSE.txt": None,
    "x64/Tarnwick.exe": (AMD64, GUI),
    "x64/tarnwick-case.exe": (AMD64, CONSOLE),
    "x86/Tarnwick.exe": (I386, GUI),
    "x86/tarnwick-case.exe": (I386, CONSOLE),
}


def pe_header(data):
    """(machine, subsystem) of a PE image, or None when it is not one."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, offset + 4)[0]
    optional = offset + 24  # after the signature and the file header
    subsystem = struct.unpack_from("<H", data, optional + 68)[0]
    return machine, subsystem


def faults(path):
    found = []
    with zipfile.ZipFile(path) as package:
        names = [n for n in package.namelist() if not n.endswith("/")]
        for name in names:
            inside = name[len(ROOT):] if name.startswith(ROOT) else None
            if inside not in EXPECTED:
                found.append(f"unexpected file: {name}")
        for inside, kind in EXPECTED.items():
            name = ROOT + inside
            if name not in names:
                found.append(f"missing: {name}")
                continue
            data = package.read(name)
            if not data:
                found.append(f"empty: {name}")
            elif kind is not None and pe_header(data) != kind:
                found.append(f"{name}: machine and subsystem {pe_header(data)}, expected {kind}")
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = faults(argv[1])
    for fault in found:
        print(fault, file=sys.stderr)
    if not found:
        print(f"{argv[1]}: {len(EXPECTED)} files, as expected")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
