"""The functions that a Windows executable imports, read from its PE import
directories (the plain and the delay-load one), with nothing but Python."""

import struct

IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13


class PeFormatError(ValueError):
    pass


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeFormatError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeFormatError("no PE signature")
        coff = pe + 4
        self.machine, sections = struct.unpack_from("<HH", data, coff)
        optional_size = struct.unpack_from("<H", data, coff + 16)[0]
        optional = coff + 20
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise PeFormatError(f"unknown optional header magic {magic:#x}")
        self.is64 = magic == 0x20B
        directories = optional + (112 if self.is64 else 96)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset_of(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise PeFormatError(f"RVA {rva:#x} lies in no section")

    def text_at(self, rva):
        start = self.offset_of(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def thunk_names(self, rva):
        """The names behind a zero-terminated table of thunks; '#N' for an
        import by ordinal."""
        size, ordinal_flag = (8, 1 << 63) if self.is64 else (4, 1 << 31)
        names = []
        offset = self.offset_of(rva)
        while True:
            thunk = int.from_bytes(self.data[offset:offset + size], "little")
            if thunk == 0:
                return names
            if thunk & ordinal_flag:
                names.append(f"#{thunk & 0xFFFF}")
            else:
                names.append(self.text_at((thunk & 0x7FFFFFFF) + 2))  # after the 2-byte hint
            offset += size

    def descriptors(self, index, size, fields):
        rva = self.directory(index)[0]
        if rva == 0:
            return
        offset = self.offset_of(rva)
        while True:
            values = struct.unpack_from(fields, self.data, offset)
            if not any(values):
                return
            yield values
            offset += size

    def imports(self):
        """(dll, function) pairs of both import directories."""
        result = []
        for lookup, _, _, name, first_thunk in self.descriptors(IMPORT_DIRECTORY, 20, "<5I"):
            dll = self.text_at(name)
            result += [(dll, f) for f in self.thunk_names(lookup or first_thunk)]
        for values in self.descriptors(DELAY_IMPORT_DIRECTORY, 32, "<8I"):
            dll = self.text_at(values[1])
            result += [(dll, f) for f in self.thunk_names(values[4])]
        return result


def imports_of(path):
    with open(path, "rb") as f:
        return PeImage(f.read()).imports()
