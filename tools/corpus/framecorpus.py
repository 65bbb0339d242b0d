"""Expected rows of the multi-frame corpora (tests/data/gif, tests/data/ico).

One row per frame or icon entry: file, frame, frames in the file, width, height,
the depth the image core decodes it to, and the hash of what Pillow shows of that
frame, or the error text the image core gives instead. The hash is the corpus
pixel hash (pixelhash.py) of Pillow's RGBA with every fully transparent pixel
made (0, 0, 0, 0): under transparency the colour is nobody's business.

Usage: framecorpus.py gif|ico DIR   (writes DIR/expected.tsv from DIR/*.gif or *.ico)
"""
import glob
import io
import os
import struct
import sys

from PIL import Image
from PIL.IcoImagePlugin import IcoFile

from pixelhash import fnv1a64

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
GREY_RAMP = bytes(v for i in range(256) for v in (i, i, i))  # the table of a file without one
HEADER = "# file\tframe\tframes\twidth\theight\tbpp\thash or error\n"


def viewer_hash(image: Image.Image) -> str:
    rgba = bytearray(image.convert("RGBA").tobytes())
    for i in range(0, len(rgba), 4):
        if rgba[i + 3] == 0:
            rgba[i:i + 4] = b"\0\0\0\0"
    return "%016x" % fnv1a64(bytes(rgba))


def gif_tables(data: bytes):
    """(colour table, transparent index or None) of every frame, in file order."""
    flags, pos = data[10], 13
    global_table = None
    if flags & 0x80:
        n = 2 << (flags & 7)
        global_table, pos = data[pos:pos + 3 * n], pos + 3 * n
    frames, trans = [], None
    while pos < len(data):
        block, pos = data[pos], pos + 1
        if block == 0x21:
            label, pos, first = data[pos], pos + 1, True
            while data[pos]:
                if label == 0xF9 and first:
                    trans = data[pos + 4] if data[pos + 1] & 1 else None
                first, pos = False, pos + data[pos] + 1
            pos += 1
        elif block == 0x2C:
            flags, pos = data[pos + 8], pos + 9
            table = global_table
            if flags & 0x80:
                n = 2 << (flags & 7)
                table, pos = data[pos:pos + 3 * n], pos + 3 * n
            frames.append((table or GREY_RAMP, trans))
            trans, pos = None, pos + 1
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
        else:
            break
    return frames


def gif_depth(image: Image.Image, table: bytes, trans) -> int:
    """8 when the frame's own table (padded to 256 entries, less its transparent
    index) holds every visible colour and transparency can show as that index."""
    table = table.ljust(768, b"\0")
    colours = {table[3 * i:3 * i + 3] for i in range(256) if i != trans}
    rgba = image.convert("RGBA").tobytes()
    pixels = {rgba[i:i + 4] for i in range(0, len(rgba), 4)}
    clear = any(p[3] == 0 for p in pixels)
    opaque_fits = all(p[:3] in colours for p in pixels if p[3] != 0)
    return 8 if opaque_fits and (not clear or trans is not None) else 24


def gif_rows(path):
    name = os.path.basename(path)
    with open(path, "rb") as f:
        tables = gif_tables(f.read())
    with Image.open(path) as image:
        for frame, (table, trans) in enumerate(tables):
            image.seek(frame)
            yield (name, frame, len(tables), image.width, image.height,
                   gif_depth(image, table, trans), viewer_hash(image))


def ico_rows(path):
    name = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    # Pillow reads icons only; a cursor's entries are icon entries all the same.
    with io.BytesIO(data[:2] + b"\1\0" + data[4:]) as f:
        icons = IcoFile(f)
        by_offset = {entry["offset"]: i for i, entry in enumerate(icons.entry)}
        for frame in range(count):
            offset = struct.unpack_from("<I", data, 6 + 16 * frame + 12)[0]
            if data[offset:offset + 8] == PNG_SIGNATURE:
                yield (name, frame, count, 0, 0, 0, "ICO entry is PNG-compressed")
                continue
            bpp = struct.unpack_from("<H", data, offset + 14)[0]
            image = icons.frame(by_offset[offset])
            yield (name, frame, count, image.width, image.height, min(bpp, 24), viewer_hash(image))


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    rows_of = {"gif": gif_rows, "ico": ico_rows}[kind]
    with open(os.path.join(folder, "expected.tsv"), "w") as table:
        table.write(HEADER)
        for path in sorted(glob.glob(os.path.join(folder, "*." + kind))):
            for row in rows_of(path):
                table.write("\t".join(str(v) for v in row) + "\n")


if __name__ == "__main__":
    main()
