#!/usr/bin/env python3
"""The simulated-adapter library carries bytes both ways between its exports and a tty,
for both adapter kinds, with the real report logic in between."""
import _ctypes
import ctypes
import os
import select
import sys
import time

import ubrix_ctypes

def read_exactly(fd, count, timeout=5.0):
    data = b""
    deadline = time.monotonic() + timeout
    while len(data) < count and time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.1)
        if ready:
            data += os.read(fd, count - len(data))
    return data

def take(lib, count, timeout=5.0):
    got = b""
    buf = ctypes.create_string_buffer(1199)
    deadline = time.monotonic() + timeout
    while len(got) < count and time.monotonic() < deadline:
        n = lib.Get_USB_Packet(buf)
        got += buf.raw[:n]
        if n == 0:
            time.sleep(0.01)
    return got

def roundtrip(lib, kind):
    master, slave = os.openpty()
    try:
        os.environ["UBRIX_SIM_TTY"] = os.ttyname(slave)
        os.environ["UBRIX_SIM_KIND"] = kind
        if lib.USB_COM_Init(0, 0, b"") != 0 or lib.GetUSBOpened() != 1:
            return f"{kind}: not opened"
        packet = ctypes.create_string_buffer(b"\x02ABCDE", 16)
        lib.Send_USB_Packet(packet, 16)
        sent = read_exactly(master, 8)
        if sent != b"\x02ABCDE\x00\x00":
            return f"{kind}: switch got {sent!r}"
        answer = b"\x0201GI04ABCD1234\x03"
        os.write(master, answer)
        got = take(lib, len(answer))
        if got != answer:
            return f"{kind}: client got {got!r}"
        if lib.USB_COM_Close(0) != 0:
            return f"{kind}: close failed"
        return None
    finally:
        os.close(master)
        os.close(slave)

def main(path):
    lib = ubrix_ctypes.load(path)
    os.environ.pop("UBRIX_SIM_TTY", None)
    if lib.USB_COM_Init(0, 0, b"") != 98:
        print("without a tty the simulated adapter must be absent")
        return 1
    for kind in ("plain", "bridge"):
        problem = roundtrip(lib, kind)
        if problem:
            print(problem)
            return 1
    return unloaded_while_reading(path)

def unloaded_while_reading(path):
    """A client that unloads the library without closing it: the running reader keeps the
    library mapped, so the process goes on unharmed."""
    master, slave = os.openpty()
    os.environ["UBRIX_SIM_TTY"] = os.ttyname(slave)
    lib = ubrix_ctypes.load(path)
    if lib.USB_COM_Init(0, 0, b"") != 0:
        print("unload: not opened")
        return 1
    handle = lib._handle
    del lib
    # Two references were taken by loading (the earlier load and this one): drop both.
    for _ in range(2):
        _ctypes.dlclose(handle)
    time.sleep(0.3)
    try:
        ctypes.CDLL(path, mode=os.RTLD_NOLOAD | os.RTLD_NOW)
    except OSError:
        print("unload: the library went away under its running reader")
        return 1
    os.write(master, b"still reading")
    time.sleep(0.3)
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
