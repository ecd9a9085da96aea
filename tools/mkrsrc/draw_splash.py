#!/usr/bin/env python3
"""Draws the splash picture (resources/rsrc/GfXX/128.png): a dark gradient with a loading
bar and a play mark. Pure Python, so it needs nothing beyond the standard library.
Usage: draw_splash.py OUTPUT.png"""
import struct
import sys
import zlib

W, H = 400, 240


def pixel(x, y):
    # Background: vertical gradient from deep blue to near black.
    t = y / (H - 1)
    r, g, b = int(24 * (1 - t) + 8 * t), int(40 * (1 - t) + 10 * t), int(96 * (1 - t) + 24 * t)
    # Play mark: a triangle centred above the bar.
    cx, cy, s = W // 2, 100, 44
    if cx - s // 2 <= x <= cx + s // 2:
        half = (x - (cx - s // 2)) / s * s * 0.6
        if abs(y - cy) <= s * 0.6 - half:
            return (250, 176, 40)
    # Loading bar: a rounded outline with a filled part.
    bx0, bx1, by0, by1 = 80, 320, 170, 186
    if bx0 <= x <= bx1 and by0 <= y <= by1:
        edge = x in (bx0, bx1) or y in (by0, by1)
        if edge:
            return (200, 210, 230)
        if x < bx0 + (bx1 - bx0) * 0.62:
            return (250, 176, 40)
        return (30, 44, 80)
    return (r, g, b)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


rows = bytearray()
for y in range(H):
    rows.append(0)
    for x in range(W):
        rows.extend(pixel(x, y))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
with open(sys.argv[1], "wb") as f:
    f.write(png)
