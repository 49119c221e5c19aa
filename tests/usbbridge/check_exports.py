#!/usr/bin/env python3
"""The library's dynamic symbol table defines the six entry points and nothing else."""
import subprocess
import sys

EXPECTED = {"USB_COM_Init", "USB_COM_Close", "Send_USB_Packet", "Get_USB_Packet", "SetUSBRequest", "GetUSBOpened"}

def main(path):
    out = subprocess.run(["nm", "-D", "--defined-only", path], check=True, capture_output=True, text=True).stdout
    names = {line.split()[-1] for line in out.splitlines() if line.strip()}
    if names != EXPECTED:
        print("extra:", sorted(names - EXPECTED), "missing:", sorted(EXPECTED - names))
        return 1
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
