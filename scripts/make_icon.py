#!/usr/bin/env python3
"""Turns a text-grid icon into a .ico file with one image per grid.

The text file holds, besides comments (#) and blank lines:
  palette LETTER RRGGBB [AA]   one line per colour; AA is the opacity (00 to FF, FF when left
                               out) and only 32-bit images may use a colour that is not opaque
  image SIZE 4-bit             a 16-colour image: at most 16 colours, "." is transparent
  image SIZE 32-bit            a true-colour image with an alpha channel
Each image line is followed by SIZE rows of SIZE palette letters, "." for a transparent pixel.
The images go into the .ico in the order of the file.
Usage: make_icon.py SOURCE.txt TARGET.ico
"""
import struct
import sys

TRANSPARENT = "."
FOUR_BIT_COLOURS = 16
KINDS = {"4-bit": 4, "32-bit": 32}


class Image:
    def __init__(self, size, bits, line):
        self.size, self.bits, self.line = size, bits, line
        self.rows = []


def fail(source, line, message):
    sys.exit(f"{source}:{line}: {message}")


def read_source(source):
    palette = {}  # letter -> (r, g, b, a), in the order of the file
    images = []
    with open(source, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.split("#", 1)[0].strip()
            if not text:
                continue
            words = text.split()
            if words[0] == "palette":
                if len(words) not in (3, 4) or len(words[1]) != 1 or len(words[2]) != 6 or \
                        (len(words) == 4 and len(words[3]) != 2):
                    fail(source, number, "expected: palette LETTER RRGGBB [AA]")
                letter = words[1]
                if letter == TRANSPARENT or letter in palette:
                    fail(source, number, f"letter {letter!r} is taken")
                try:
                    rgba = [int(words[2][i:i + 2], 16) for i in (0, 2, 4)]
                    rgba.append(int(words[3], 16) if len(words) == 4 else 255)
                except ValueError:
                    fail(source, number, "colours are hexadecimal")
                palette[letter] = tuple(rgba)
                continue
            if words[0] == "image":
                if len(words) != 3 or not words[1].isdigit() or words[2] not in KINDS:
                    fail(source, number, "expected: image SIZE 4-bit|32-bit")
                size = int(words[1])
                if not 8 <= size <= 255 or size % 4:
                    fail(source, number, "an image side is a multiple of 4 from 8 to 252")
                if any(i.size == size and i.bits == KINDS[words[2]] for i in images):
                    fail(source, number, f"a second {words[1]} px {words[2]} image")
                images.append(Image(size, KINDS[words[2]], number))
                continue
            if not images:
                fail(source, number, "pixel rows before the first image line")
            image = images[-1]
            unknown = sorted(set(c for c in text if c != TRANSPARENT and c not in palette))
            if unknown:
                fail(source, number, f"letters not in the palette: {''.join(unknown)}")
            if len(text) != image.size or len(image.rows) == image.size:
                fail(source, number, f"the {image.size} px image takes {image.size} rows of {image.size} letters")
            image.rows.append(text)
    if not images:
        sys.exit(f"{source}: no image")
    for image in images:
        if len(image.rows) != image.size:
            fail(source, image.line, f"{len(image.rows)} rows, {image.size} expected")
    return palette, images


def mask_rows(image):
    """The AND mask, bottom-up: a set bit lets the screen show through."""
    stride = ((image.size + 31) // 32) * 4
    mask = b""
    for row in reversed(image.rows):
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == TRANSPARENT)
        # The first pixel is the highest bit of the row's first byte.
        bits <<= 8 * stride - image.size
        mask += bits.to_bytes(stride, "big")
    return mask


def header(image, image_bytes, colours):
    # The header's height counts the colour image and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, image.size, 2 * image.size, 1, image.bits, 0, image_bytes, 0, 0,
                       colours, 0)


def four_bit(source, palette, image):
    used = []
    for row in image.rows:
        for c in row:
            if c != TRANSPARENT and c not in used:
                used.append(c)
    used.sort(key=list(palette).index)
    if any(palette[c][3] != 255 for c in used):
        fail(source, image.line, "a 4-bit image has no partly transparent colours")
    # Transparent pixels carry colour 0 under a set mask bit, and colour 0 must then be black so
    # the screen shows through unchanged.
    table = [palette[c][:3] for c in used]
    index = {c: i for i, c in enumerate(used)}
    if not table or table[0] != (0, 0, 0):
        table.insert(0, (0, 0, 0))
        index = {c: i + 1 for i, c in enumerate(used)}
    if len(table) > FOUR_BIT_COLOURS:
        fail(source, image.line, f"{len(table)} colours, at most {FOUR_BIT_COLOURS}")
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
    colours += b"\0" * (4 * (FOUR_BIT_COLOURS - len(table)))
    stride = ((image.size * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(image.rows):  # bottom-up, as in every DIB
        values = [0 if c == TRANSPARENT else index[c] for c in row] + [0]
        pixels += bytes((values[i] << 4) | values[i + 1] for i in range(0, image.size, 2)).ljust(stride, b"\0")
    mask = mask_rows(image)
    return header(image, len(pixels) + len(mask), FOUR_BIT_COLOURS) + colours + pixels + mask, FOUR_BIT_COLOURS


def true_colour(palette, image):
    pixels = b""
    for row in reversed(image.rows):
        for c in row:
            r, g, b, a = (0, 0, 0, 0) if c == TRANSPARENT else palette[c]
            pixels += struct.pack("<BBBB", b, g, r, a)
    mask = mask_rows(image)
    return header(image, len(pixels) + len(mask), 0) + pixels + mask, 0


def icon_bytes(source, palette, images):
    blobs = [four_bit(source, palette, i) if i.bits == 4 else true_colour(palette, i) for i in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for image, (blob, colours) in zip(images, blobs):
        entries += struct.pack("<BBBBHHII", image.size, image.size, colours, 0, 1, image.bits, len(blob), offset)
        offset += len(blob)
    return directory + entries + b"".join(blob for blob, _ in blobs)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    palette, images = read_source(sys.argv[1])
    data = icon_bytes(sys.argv[1], palette, images)
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
