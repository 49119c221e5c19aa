#!/usr/bin/env python3
"""Without an adapter the library answers its calls with the documented codes."""
import sys

import ubrix_ctypes

def main(path):
    lib = ubrix_ctypes.load(path)
    results = [lib.USB_COM_Init(0, 0, b""), lib.GetUSBOpened(), lib.SetUSBRequest(5),
               lib.USB_COM_Close(0), lib.USB_COM_Close(0)]
    if results != [98, 0, 5, 0, 0]:
        print("got", results)
        return 1
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
