#!/usr/bin/env python3
"""Writes assets/quotemill.ico, the Windows programs' icon, from the project's PNG sizes
(an icon file may hold PNG images as they are).

    python3 scripts/make_icon.py
"""
import pathlib
import struct

assets = pathlib.Path(__file__).resolve().parent.parent / "assets"
sizes = [16, 32, 48, 128]
images = [(assets / f"quotemill-{s}.png").read_bytes() for s in sizes]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
(assets / "quotemill.ico").write_bytes(out + b"".join(images))
