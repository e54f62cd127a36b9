#!/usr/bin/env python3
"""crash_address DUMP EXE: where a crash of Ostrilo.exe happened, read on Linux.

DUMP is a minidump the crash reporter wrote (LogFiles\\Ostrilo-YYYY-MM-DD-HHMMSS.dmp), EXE the
very Ostrilo.exe of the release zip that crashed (it carries its debug information). Prints
the exception code and address, the module it lies in, and, for an address in EXE, the
function and source line from mingw-w64's addr2line. The program is loaded at a different
address at every start, so the address is first moved to the executable's own base.
"""
import os
import shutil
import struct
import subprocess
import sys

MODULE_LIST_STREAM, EXCEPTION_STREAM = 4, 6
MODULE_ENTRY_SIZE = 108


def streams(dump):
    signature, _, count, directory = struct.unpack_from("<4sIII", dump, 0)
    if signature != b"MDMP":
        raise SystemExit("not a minidump")
    entries = (struct.unpack_from("<III", dump, directory + 12 * i) for i in range(count))
    return {kind: rva for kind, _, rva in entries}


def modules(dump, rva):
    count = struct.unpack_from("<I", dump, rva)[0]
    for index in range(count):
        base, size, _, _, name_rva = struct.unpack_from("<QIIII", dump, rva + 4 + index * MODULE_ENTRY_SIZE)
        length = struct.unpack_from("<I", dump, name_rva)[0]
        yield base, size, dump[name_rva + 4:name_rva + 4 + length].decode("utf-16-le")


def image_base_and_addr2line(exe):
    """The executable's own base address, and the addr2line of its architecture."""
    with open(exe, "rb") as file:
        image = file.read(4096)
    optional_header = struct.unpack_from("<I", image, 0x3C)[0] + 24
    is_64_bit = struct.unpack_from("<H", image, optional_header)[0] == 0x20B
    base = struct.unpack_from("<Q" if is_64_bit else "<I", image, optional_header + (24 if is_64_bit else 28))[0]
    triple = "x86_64-w64-mingw32" if is_64_bit else "i686-w64-mingw32"
    return base, shutil.which(triple + "-addr2line") or "addr2line"


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "rb") as file:
        dump = file.read()
    found = streams(dump)
    if EXCEPTION_STREAM not in found:
        raise SystemExit("no exception in the dump (a std::terminate): the log's crash line says what ended it")
    code, _, _, address = struct.unpack_from("<IIQQ", dump, found[EXCEPTION_STREAM] + 8)
    print(f"exception 0x{code:08X} at 0x{address:X}")
    for base, size, name in modules(dump, found[MODULE_LIST_STREAM]):
        if base <= address < base + size:
            print(f"in {name} + 0x{address - base:X}")
            if name.rsplit("\\", 1)[-1].lower() == os.path.basename(sys.argv[2]).lower():
                own_base, addr2line = image_base_and_addr2line(sys.argv[2])
                subprocess.run([addr2line, "-f", "-C", "-i", "-e", sys.argv[2], f"0x{own_base + address - base:X}"],
                               check=False)
            return
    print("in no module of the dump")


if __name__ == "__main__":
    main()
