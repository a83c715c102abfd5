#!/usr/bin/env python3
"""Draws the game's icon: the red player square, outlined in black, on the
level's cyan. Writes dravik.svg and dravik-48.png, -128.png, -192.png, -256.png and
-512.png next to this script, with nothing but the standard library."""
import pathlib
import struct
import zlib

CYAN = (0, 255, 255)
RED = (255, 0, 0)
BLACK = (0, 0, 0)
HERE = pathlib.Path(__file__).resolve().parent


def square(size):
    """The player's square: about half the icon, centred, on whole pixels."""
    side = round(size * 0.5)
    start = (size - side) // 2
    return start, side


def pixels(size):
    start, side = square(size)
    line = max(1, round(size / 48))
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            inside = start <= x < start + side and start <= y < start + side
            edge = inside and (x < start + line or x >= start + side - line or
                               y < start + line or y >= start + side - line)
            row += bytes(BLACK if edge else RED if inside else CYAN)
        rows.append(bytes(row))
    return rows


def png(size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in pixels(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg():
    start, side = square(256)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect width="256" height="256" fill="#00ffff"/>
  <rect x="{start + 2.5}" y="{start + 2.5}" width="{side - 5}" height="{side - 5}"
        fill="#ff0000" stroke="#000000" stroke-width="5"/>
</svg>
"""


def main():
    for size in (48, 128, 192, 256, 512):
        (HERE / f"dravik-{size}.png").write_bytes(png(size))
    (HERE / "dravik.svg").write_text(svg())


if __name__ == "__main__":
    main()
