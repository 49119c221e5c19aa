#!/usr/bin/env python3
"""Writes the hand-made seed inputs of every fuzz target into fuzz/corpus/<target>/.
Run again after changing an input layout; files the fuzzer added are left alone."""
import os
import shutil

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def put(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def nibbles(value, count):
    return bytes(0x30 + ((value >> (4 * (count - 1 - i))) & 0xF) for i in range(count))


def frame(command, data):
    body = b"\x0201" + command + nibbles(len(data), 2) + data
    return body + nibbles(sum(body[1:]) & 0xFFFF, 4) + b"\x03"


def answer_gi(code=b"ATS-CODE-0000042", model=b"MODEL-X", fw=b"FW 3.01", codes=b"4601"):
    data = code.ljust(16) + model.ljust(16) + fw.ljust(12) + codes + b"0" * 8
    return frame(b"GI", data)


def answer_gn(current, voltage, tenths):
    return frame(b"GN", b"0" * 13 + nibbles(current, 3) + nibbles(voltage, 3) + nibbles(tenths, 3))


def answer_gm(word):
    return frame(b"GM", nibbles(word, 4))


short = {c: frame(c, b"") for c in (b"GI", b"GN", b"GM", b"SM")}

# ---- config_file: whole files ----
for name in ("defaults.kvnf", "switch.kvnf"):
    src = os.path.join(root, "tests", "config", "data", name)
    if os.path.exists(src):
        shutil.copy(src, os.path.join(here, "corpus", "config_file", "seed-" + name))
words = "".join("[%03u] %3u %3u\r\n" % (n, n % 7, (n * 37) % 256) for n in range(257))
header = ("Date: 07-12-2026 10:11:12\r\n\r\nATS Code: ATS-CODE-0000042\r\nATS Model: MODEL-X\r\n"
          "Firmware version: FW 3.01\r\nInput/Output configuration: 4\r\nATS Type: 6\r\n"
          "Input Socket: 0\r\nOutput Socket: 1\r\n")
put("config_file", "empty.kvnf", b"")
put("config_file", "lf-only.kvnf", (header + words).replace("\r\n", "\n").encode())
put("config_file", "late-sum.kvnf", (header + words[:-len("[256]   0   0\r\n") - 1] + "\r\n\r\n[256]  12  34\r\n").encode())
put("config_file", "hand-edited.kvnf", (header + "[007] 0 248\r\n[300] 300 -1\r\n").encode())
put("config_file", "extra-line.kvnf", ("\r\n" + header + words).encode())
put("config_file", "long-values.kvnf", ("x\r\n\r\nATS Code: " + "C" * 150 + "\r\nATS Model:" + "M" * 1200 +
                                        "\r\n" + "[" * 1000 + "\r\n").encode())
# A code of '0' + 218 is a line feed: the saved file's lines shift.
put("config_file", "code-line-feed.kvnf", ("Date: x\r\n\r\nATS Code: A\r\nATS Model: B\r\nFirmware version: C\r\n"
                                           "Input/Output configuration: 4\r\nATS Type: 6\r\nInput Socket: 218\r\n"
                                           "Output Socket: 1\r\n" + "".join("[%03d]   0 %3d\r\n" % (n, n % 200 + 1)
                                                                             for n in range(257))).encode())
put("config_file", "codes-out-of-range.kvnf", (header.replace("Socket: 0", "Socket: 300").replace("Type: 6", "Type: -1")
                                               + words).encode())

# ---- answer_frame: command index byte, then the answer ----
for i, (c, a) in enumerate([(b"GI", answer_gi()), (b"GN", answer_gn(63, 400, 500)),
                            (b"GM", answer_gm(0x1234)), (b"SM", short[b"SM"])]):
    put("answer_frame", c.decode().lower() + ".bin", bytes([i]) + a)
    put("answer_frame", c.decode().lower() + "-short.bin", bytes([i]) + short[c])
    bad = bytearray(a)
    bad[-2] ^= 1
    put("answer_frame", c.decode().lower() + "-bad-check.bin", bytes([i]) + bytes(bad))
    put("answer_frame", c.decode().lower() + "-half.bin", bytes([i]) + a[: len(a) // 2])
put("answer_frame", "request-sm.bin", b"\x83" + b"\x0201SM0810030102" + nibbles(0, 0) + b"\x3f\x30\x03")

# ---- usb_stream: op, request, takes (length mode, length, bytes), buffer size ----
def take(data):
    return bytes([0, len(data)]) + data


gm = answer_gm(0x00BA)
put("usb_stream", "one-answer", bytes([0x03, 2]) + take(gm) + bytes([80]))
put("usb_stream", "split-answer", bytes([0x05, 2]) + take(gm[:7]) + take(gm[7:]) + bytes([80]))
put("usb_stream", "junk-first", bytes([0x03, 2]) + take(b"\x01\x55\xaa\x20" + gm) + bytes([80]))
put("usb_stream", "two-answers", bytes([0x03, 2]) + take(gm + gm) + bytes([80]))
put("usb_stream", "half-then-quiet", bytes([0x43, 2]) + take(gm[:8]) + bytes([1, 40]))
put("usb_stream", "small-buffer", bytes([0x03, 0]) + take(answer_gi()[:60]) + bytes([4]))
put("usb_stream", "read-without-send", bytes([0x02, 3]) + take(short[b"SM"]) + bytes([20]) +
    bytes([0x03, 3]) + take(short[b"SM"]) + bytes([20]))
put("usb_stream", "padding-zeros", bytes([0x03, 3]) + take(b"\x00\x00\x00" + short[b"SM"] + b"\x00") + bytes([20]))

# ---- bridge_reports: kind, buffer size - 1, text length, text, input reports ----
def bridge(kind, capacity, text, reports):
    return bytes([kind, capacity - 1, len(text)]) + text + b"".join(reports)


put("bridge_reports", "plain", bridge(0, 20, b"\x0201GI00", [b"\x00\x0201G", b"\x00I\x00BC", b"\x00abcd"]))
put("bridge_reports", "serial-bridge", bridge(1, 24, b"\x0201GM1000", [b"\x00\x03ABC\x00\x00\x00\x00",
                                                                      b"\x00\x07ABCDEFG", b"\x00\x00XYZW\x00\x00\x00"]))
put("bridge_reports", "tight-buffer", bridge(3, 8, b"12345678", []))
put("bridge_reports", "empty-packet", bridge(2, 1, b"", [b"\x01\x05\x06\x07\x08"]))
put("bridge_reports", "full-pending", bridge(0, 12, b"abc", [b"\x00wxyz"] * 320))
