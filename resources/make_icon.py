#!/usr/bin/env python3
"""Builds INSTALL_ICON from its pixel map: a 32x32, 16-colour .ico and the .rc
that names it, in the Korean language of the resource table.

    make_icon.py MAP ICO RC

Each map character is a hex digit, an index into the standard 16-colour palette;
'.' is transparent. The output depends on the map alone, byte for byte."""
import struct
import sys

SIZE = 32
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]  # (blue, green, red), as the bitmap stores them
KOREAN = (0x12, 0x01)  # LANG_KOREAN, SUBLANG_KOREAN: 1042


def read_map(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="ascii")]
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: the map must be {SIZE} rows of {SIZE} characters")
    for row in rows:
        for c in row:
            if c != "." and c not in "0123456789ABCDEF":
                sys.exit(f"{path}: unexpected character {c!r}")
    return rows


def icon_image(rows):
    # Bitmaps are stored bottom-up: the colour bits (4 per pixel), then the
    # transparency mask (1 per pixel, each row padded to 32 bits).
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        indices = [0 if c == "." else int(c, 16) for c in row]
        colours += bytes((indices[x] << 4) | indices[x + 1] for x in range(0, SIZE, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == ".")
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def main():
    map_path, ico_path, rc_path = sys.argv[1:4]
    image = icon_image(read_map(map_path))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(ico_path, "wb") as ico:
        ico.write(directory + entry + image)
    with open(rc_path, "w", encoding="ascii") as rc:
        rc.write(f"LANGUAGE {KOREAN[0]:#x}, {KOREAN[1]:#x}\n")
        rc.write(f'INSTALL_ICON ICON "{ico_path}"\n')


main()
