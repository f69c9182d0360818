#!/usr/bin/env python3
"""Writes the two PLACEHOLDER firmware images the program carries for the
forced update, in the single-image layout:

  FW_ID (1), model (1), start parameters (4), body, trailer (4), checksum (4, BE)

The checksum is the 32-bit sum of every byte but the last four. The start
parameters carry the body length (32-bit big-endian); the virtual amplifier
reads them that way. The bodies are NOT firmware: a text banner followed by
pseudo-random filler, so that a misplaced block shows in a comparison. The
real images come with the product and replace these files under the same
names.

usage: scripts/make_placeholder_firmware.py [OUTDIR]   (default: firmware/)
"""
import os
import struct
import sys

MODEL = 78
IMAGES = [
    # file name, FW_ID, total size in bytes
    ("placeholder_IDR_MCU_BIN.bin", 1, 74415),
    ("placeholder_IDR_FLASH_BIN.bin", 2, 95370),
]
TRAILER = b"PLHD"


def body_bytes(length, seed, banner):
    out = bytearray(banner[:length])
    x = seed
    while len(out) < length:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


def image(fw_id, size):
    body_len = size - 14
    banner = (b"PLACEHOLDER %s IMAGE FOR VLM24.60DSP - NOT FIRMWARE - " %
              (b"MCU" if fw_id == 1 else b"DSP FLASH"))
    head = bytes([fw_id, MODEL]) + struct.pack(">I", body_len)
    data = head + body_bytes(body_len, 0x5EED + fw_id, banner) + TRAILER
    assert len(data) == size - 4
    return data + struct.pack(">I", sum(data) & 0xFFFFFFFF)


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "firmware")
    os.makedirs(outdir, exist_ok=True)
    for name, fw_id, size in IMAGES:
        path = os.path.join(outdir, name)
        with open(path, "wb") as f:
            f.write(image(fw_id, size))
        print("%s: %d bytes" % (path, size))


if __name__ == "__main__":
    main()
