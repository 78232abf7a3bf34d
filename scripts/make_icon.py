#!/usr/bin/env python3
"""Turns a text-grid icon into a .ico file with one 16-colour image.

The text file holds, besides comments (#) and blank lines:
  palette LETTER RRGGBB   one line per colour, at most 16, in palette order
  a grid of equal-length rows of palette letters, "." for a transparent pixel
Usage: make_icon.py SOURCE.txt TARGET.ico
"""
import struct
import sys

TRANSPARENT = "."
MAX_COLOURS = 16


def fail(source, line, message):
    sys.exit(f"{source}:{line}: {message}")


def read_grid(source):
    palette = []  # (letter, (r, g, b)) in palette order
    rows = []
    with open(source, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.split("#", 1)[0].strip()
            if not text:
                continue
            words = text.split()
            if words[0] == "palette":
                if len(words) != 3 or len(words[1]) != 1 or len(words[2]) != 6:
                    fail(source, number, "expected: palette LETTER RRGGBB")
                letter, rgb = words[1], words[2]
                if letter == TRANSPARENT or any(letter == l for l, _ in palette):
                    fail(source, number, f"letter {letter!r} is taken")
                palette.append((letter, tuple(int(rgb[i:i + 2], 16) for i in (0, 2, 4))))
                continue
            row = text
            unknown = [c for c in row if c != TRANSPARENT and all(c != l for l, _ in palette)]
            if unknown:
                fail(source, number, f"letters not in the palette: {''.join(sorted(set(unknown)))}")
            rows.append(row)
    if not rows:
        sys.exit(f"{source}: no pixel rows")
    size = len(rows[0])
    if len(rows) != size or any(len(r) != size for r in rows) or size % 8:
        sys.exit(f"{source}: the grid must be square with a side that is a multiple of 8 "
                 f"(got {len(rows)} rows of {sorted(set(len(r) for r in rows))})")
    # Transparent pixels carry colour 0 under a set mask bit, and colour 0 must then be black
    # so the screen shows through unchanged.
    if not palette or palette[0][1] != (0, 0, 0):
        palette.insert(0, ("", (0, 0, 0)))
    if len(palette) > MAX_COLOURS:
        sys.exit(f"{source}: {len(palette)} colours, at most {MAX_COLOURS}")
    return palette, rows


def icon_bytes(palette, rows):
    size = len(rows)
    index = {letter: i for i, (letter, _) in enumerate(palette) if letter}
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in palette)
    colours += b"\0" * (4 * (MAX_COLOURS - len(palette)))
    pixels = b""
    mask = b""
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up, as in every DIB
        values = [0 if c == TRANSPARENT else index[c] for c in row]
        pixels += bytes((values[i] << 4) | values[i + 1] for i in range(0, size, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == TRANSPARENT)
        mask += bits.to_bytes(size // 8, "big").ljust(mask_stride, b"\0")
    # The header's height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(pixels) + len(mask), 0, 0,
                         MAX_COLOURS, 0)
    image = header + colours + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, MAX_COLOURS, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    palette, rows = read_grid(sys.argv[1])
    with open(sys.argv[2], "wb") as f:
        f.write(icon_bytes(palette, rows))


if __name__ == "__main__":
    main()
