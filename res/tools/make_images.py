#!/usr/bin/python3
"""Builds the icon (.ico) and the bitmap (.bmp) of the resource libraries from their XPM
sources.

    make_images.py ico OUTPUT.ico IMAGE.xpm [IMAGE.xpm ...]   one icon image per file
    make_images.py bmp OUTPUT.bmp IMAGE.xpm

Reads the XPM subset the sources use: one character per pixel, colours given as
"c #RRGGBB" or "c None" (transparent, icons only). Writes palette images of 4 bits per
pixel when 16 colours suffice and 8 bits otherwise, which every Windows version shows;
icons carry an AND mask for their transparent pixels. Standard library only.
"""

import re
import struct
import sys


class ImageError(Exception):
    pass


def read_xpm(path):
    """Returns (width, height, pixels) where pixels[y][x] is (r, g, b) or None."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    strings = re.findall(r'"([^"]*)"', text)
    if not strings:
        raise ImageError(f"{path}: no XPM data")
    header = strings[0].split()
    if len(header) < 4:
        raise ImageError(f"{path}: bad XPM header {strings[0]!r}")
    width, height, ncolors, cpp = (int(v) for v in header[:4])
    if cpp != 1:
        raise ImageError(f"{path}: only one character per pixel is supported")
    if len(strings) != 1 + ncolors + height:
        raise ImageError(f"{path}: expected {ncolors} colours and {height} rows, found {len(strings) - 1} strings")
    colours = {}
    for entry in strings[1 : 1 + ncolors]:
        m = re.fullmatch(r"(.)\s+c\s+(#[0-9A-Fa-f]{6}|None)", entry)
        if not m:
            raise ImageError(f"{path}: unsupported colour entry {entry!r}")
        key, value = m.groups()
        if key in colours:
            raise ImageError(f"{path}: colour {key!r} defined twice")
        colours[key] = None if value == "None" else tuple(int(value[i : i + 2], 16) for i in (1, 3, 5))
    pixels = []
    for y, row in enumerate(strings[1 + ncolors :]):
        if len(row) != width:
            raise ImageError(f"{path}: row {y} is {len(row)} pixels wide, not {width}")
        try:
            pixels.append([colours[ch] for ch in row])
        except KeyError as e:
            raise ImageError(f"{path}: row {y} uses undefined colour {e.args[0]!r}") from None
    return width, height, pixels


def palette_of(pixels):
    """The colours in order of first use; transparent pixels count as black."""
    palette = []
    for row in pixels:
        for p in row:
            colour = p or (0, 0, 0)
            if colour not in palette:
                palette.append(colour)
    if len(palette) > 256:
        raise ImageError("more than 256 colours")
    return palette


def dib(width, height, pixels, with_mask):
    """BITMAPINFOHEADER, palette and bottom-up pixel rows (and the AND mask for icons)."""
    palette = palette_of(pixels)
    bits = 4 if len(palette) <= 16 else 8
    entries = 1 << bits
    palette = palette + [(0, 0, 0)] * (entries - len(palette))
    index = {colour: i for i, colour in reversed(list(enumerate(palette)))}

    stride = ((width * bits + 31) // 32) * 4
    xor = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            i = index[p or (0, 0, 0)]
            if bits == 8:
                line[x] = i
            else:
                line[x // 2] |= i << (4 if x % 2 == 0 else 0)
        xor += line

    mask = bytearray()
    if with_mask:
        mask_stride = ((width + 31) // 32) * 4
        for row in reversed(pixels):
            line = bytearray(mask_stride)
            for x, p in enumerate(row):
                if p is None:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += line

    header = struct.pack(
        "<IiiHHIIiiII",
        40,
        width,
        height * 2 if with_mask else height,
        1,
        bits,
        0,  # BI_RGB
        len(xor) + len(mask),
        0,
        0,
        entries,
        0,
    )
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + quads + bytes(xor) + bytes(mask), bits, entries


def write_ico(output, inputs):
    images = []
    for path in inputs:
        width, height, pixels = read_xpm(path)
        if width != height or width > 255:
            raise ImageError(f"{path}: icon images are square and at most 255 pixels")
        data, bits, entries = dib(width, height, pixels, with_mask=True)
        images.append((width, height, bits, entries, data))
    images.sort(key=lambda image: image[0])

    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, bits, entries, data in images:
        out += struct.pack("<BBBBHHII", width, height, entries if bits < 8 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for image in images:
        out += image[4]
    with open(output, "wb") as f:
        f.write(out)


def write_bmp(output, path):
    width, height, pixels = read_xpm(path)
    if any(p is None for row in pixels for p in row):
        raise ImageError(f"{path}: a bitmap has no transparent pixels")
    data, _, entries = dib(width, height, pixels, with_mask=False)
    offset = 14 + 40 + 4 * entries
    with open(output, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(data), 0, 0, offset))
        f.write(data)


def main(argv):
    if len(argv) >= 4 and argv[1] == "ico":
        write_ico(argv[2], argv[3:])
    elif len(argv) == 4 and argv[1] == "bmp":
        write_bmp(argv[2], argv[3])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (ImageError, OSError, ValueError) as e:
        print(f"make_images.py: {e}", file=sys.stderr)
        sys.exit(1)
