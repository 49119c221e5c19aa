#!/usr/bin/env python3
"""The library exports the six entry points, undecorated, and nothing else.

check_exports.py LIB                 ELF: the dynamic symbol table (nm -D)
check_exports.py --pe OBJDUMP DLL    PE: the export name table (OBJDUMP -p)
"""
import re
import subprocess
import sys

EXPECTED = {"USB_COM_Init", "USB_COM_Close", "Send_USB_Packet", "Get_USB_Packet", "SetUSBRequest", "GetUSBOpened"}


def elf_names(path):
    out = subprocess.run(["nm", "-D", "--defined-only", path], check=True, capture_output=True, text=True).stdout
    return [line.split()[-1] for line in out.splitlines() if line.strip()]


def pe_names(objdump, path):
    out = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    table = out.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        m = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not m:
            break
        names.append(m.group(1))
    return names


def main(argv):
    names = pe_names(argv[1], argv[2]) if argv[0] == "--pe" else elf_names(argv[0])
    print("exports:", " ".join(names))
    if sorted(names) != sorted(EXPECTED):
        print("extra:", sorted(set(names) - EXPECTED), "missing:", sorted(EXPECTED - set(names)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
