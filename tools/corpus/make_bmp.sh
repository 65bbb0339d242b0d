#!/usr/bin/env bash
# Writes the BMP corpus tests/data/bmp/ and its table expected.tsv.
#
# ImageMagick makes the files of the common writers (core, version 3 and
# version 5 headers; 1, 4, 8 and 24 bits; RLE8; 16-bit 5-5-5 and 5-6-5 and
# 32-bit with bit fields in a version 5 header). A small Python writer makes
# what ImageMagick does not: top-down rows, RLE4, RLE8 with moves, 16- and
# 32-bit pixels behind a 40-byte header, the 64-byte OS/2 header, a bare DIB,
# and broken files. Expected hashes come from what Pillow reads back
# (tools/corpus/pixelhash.py); 16-bit fields are reduced to the decoder's
# rule of shifting each field to the top of its byte.
set -euo pipefail
cd "$(dirname "$0")/../.."
OUT=tests/data/bmp
IM=convert-im6.q16
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
rm -rf "$OUT"
mkdir -p "$OUT"

# Two deterministic sources: smooth colours with a few sharp edges, and a
# picture with a blank band (so run-length files have runs and moves).
/usr/bin/python3 - "$WORK" <<'EOF'
import sys
from PIL import Image
work = sys.argv[1]
img = Image.new("RGB", (33, 17))
img.putdata([((x * 7) % 256, (y * 15) % 256, (x * y * 13 + (90 if (x // 5 + y // 4) % 2 else 0)) % 256)
             for y in range(17) for x in range(33)])
img.save(f"{work}/src.png")
small = Image.new("RGB", (7, 5))
small.putdata([(255 * ((x + y) % 2), 40 * x, 50 * y) for y in range(5) for x in range(7)])
small.save(f"{work}/small.png")
EOF

im() { local out=$1; shift; "$IM" "$@" "$OUT/$out"; }
im rgb24_v3.bmp "$WORK/src.png" -define bmp:format=bmp3 -type TrueColor
im rgb24_core.bmp "$WORK/src.png" -define bmp:format=bmp2 -type TrueColor
im rgb24_v5.bmp "$WORK/src.png" -define bmp:format=bmp4 -type TrueColor
im pal8_v3.bmp "$WORK/src.png" -define bmp:format=bmp3 -type Palette -colors 200 -compress None
im pal8_core.bmp "$WORK/src.png" -define bmp:format=bmp2 -type Palette -colors 100
im pal8_rle.bmp "$WORK/src.png" -define bmp:format=bmp3 -type Palette -colors 60 -compress RLE
im pal4_v3.bmp "$WORK/src.png" -define bmp:format=bmp3 -type Palette -colors 12 -compress None
im pal4_v5.bmp "$WORK/small.png" -define bmp:format=bmp4 -type Palette -colors 12 -compress None
im pal1_v3.bmp "$WORK/src.png" -define bmp:format=bmp3 -monochrome
im gray8_v3.bmp -size 33x17 gradient:white-black -define bmp:format=bmp3 -type Palette -compress None
im rgb555_v5.bmp "$WORK/src.png" -define bmp:format=bmp4 -define bmp:subtype=RGB555
im rgb565_v5.bmp "$WORK/src.png" -define bmp:format=bmp4 -define bmp:subtype=RGB565
im rgba32_v5.bmp "$WORK/small.png" -alpha set -channel A -fx '(i+1)/8' +channel -define bmp:format=bmp4

/usr/bin/python3 - "$OUT" <<'EOF'
import os
import struct
import sys
from PIL import Image
from PIL.BmpImagePlugin import DibImageFile

sys.path.insert(0, "tools/corpus")
from pixelhash import fnv1a64, pixel_hash, rgba_bytes

out = sys.argv[1]


def read(name):
    with open(os.path.join(out, name), "rb") as f:
        return bytearray(f.read())


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes(data))


def info(data, base=14):
    """Width, height, bpp, compression, image size, colours of a 40-byte header at base."""
    size, w, h, planes, bpp, comp, image, xr, yr, used, important = struct.unpack_from("<IiiHHIIiiII", data, base)
    return w, h, bpp, comp, image, used


def file_header(total, offbits):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offbits)


def bmp(header40, extra, pixels, width, height, bpp, comp=0, colors=0, ppm=2835):
    """A file with a 40-byte header, then extra (masks or palette), then pixels."""
    hdr = struct.pack("<IiiHHIIiiII", header40, width, height, 1, bpp, comp, len(pixels), ppm, ppm, colors, 0)
    body = hdr + extra
    return file_header(14 + len(body) + len(pixels), 14 + len(body)) + body + pixels


def rows_of(data, offset, stride, height):
    return [bytes(data[offset + i * stride: offset + (i + 1) * stride]) for i in range(height)]


def stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


# Pixels of ImageMagick's version 5 files behind a 40-byte header.
def rewrap(src, dst, comp, extra):
    d = read(src)
    w, h, bpp, _, _, _ = info(d)
    offbits = struct.unpack_from("<I", d, 10)[0]
    pixels = d[offbits: offbits + stride(w, bpp) * h]
    write(dst, bmp(40, extra, pixels, w, h, bpp, comp))


rewrap("rgb555_v5.bmp", "rgb555.bmp", 0, b"")
rewrap("rgb565_v5.bmp", "rgb565_bitfields.bmp", 3, struct.pack("<III", 0xF800, 0x07E0, 0x001F))
rewrap("rgba32_v5.bmp", "rgb32.bmp", 0, b"")
rewrap("rgba32_v5.bmp", "rgb32_bitfields.bmp", 3, struct.pack("<III", 0xFF0000, 0xFF00, 0xFF))


# Top-down twins: negative height, rows in the other order.
def top_down(src, dst):
    d = read(src)
    w, h, bpp, _, _, _ = info(d)
    offbits = struct.unpack_from("<I", d, 10)[0]
    s = stride(w, bpp)
    rows = rows_of(d, offbits, s, h)
    struct.pack_into("<i", d, 22, -h)
    d[offbits: offbits + s * h] = b"".join(reversed(rows))
    write(dst, d)


top_down("rgb24_v3.bmp", "rgb24_topdown.bmp")
top_down("pal8_v3.bmp", "pal8_topdown.bmp")
top_down("rgb555.bmp", "rgb555_topdown.bmp")

# The 64-byte OS/2 2.x header: the 40 common bytes and 24 more.
d = read("rgb24_v3.bmp")
hdr = bytearray(d[14:54])
struct.pack_into("<I", hdr, 0, 64)
os2 = d[0:14] + hdr + bytes(24) + d[54:]
struct.pack_into("<II", os2, 2, len(os2), 0)
struct.pack_into("<I", os2, 10, 54 + 24)
write("rgb24_os2.bmp", os2)

# A bare DIB: header, palette and pixels without the file header.
write("pal8_bare.dib", read("pal8_v3.bmp")[14:])
write("rgb24_bare.dib", read("rgb24_v3.bmp")[14:])


# Run-length files. Indices of an 8- or 4-bit picture, rows bottom-up.
def indexed_rows(src):
    d = read(src)
    w, h, bpp, _, _, used = info(d)
    offbits = struct.unpack_from("<I", d, 10)[0]
    colors = used or (1 << bpp)
    palette = bytes(d[54: 54 + 4 * colors])
    rows = []
    for raw in rows_of(d, offbits, stride(w, bpp), h):
        if bpp == 8:
            rows.append(list(raw[:w]))
        else:
            rows.append([(raw[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(w)])
    return w, h, bpp, palette, rows


def encode_row(row, four_bit):
    """Runs of equal pixels, literals of at least three, escapes as the format has them."""
    out = bytearray()
    x = 0
    n = len(row)
    while x < n:
        run = 1
        while x + run < n and run < 255 and row[x + run] == row[x]:
            run += 1
        if run >= 2 or n - x < 3:
            out += bytes([run, row[x] * 17 if four_bit else row[x]])
            x += run
            continue
        end = x + 1
        while end < n and end - x < 255 and (end + 1 >= n or row[end] != row[end + 1]):
            end += 1
        lit = row[x:end]
        if len(lit) < 3:
            out += bytes([1, lit[0] * 17 if four_bit else lit[0]])
            x += 1
            continue
        if four_bit:
            packed = bytes((lit[i] << 4) | (lit[i + 1] if i + 1 < len(lit) else 0) for i in range(0, len(lit), 2))
        else:
            packed = bytes(lit)
        out += bytes([0, len(lit)]) + packed + (b"\0" if len(packed) % 2 else b"")
        x = end
    return out


def rle_file(name, w, h, bpp, palette, rows, moves=False):
    stream = bytearray()
    y = 0
    while y < h:
        row = rows[y]
        blank = moves and all(v == 0 for v in row)
        if blank:
            # A move up over blank rows, the way sparse pictures are stored.
            k = 1
            while y + k < h and k < 255 and all(v == 0 for v in rows[y + k]):
                k += 1
            if y + k < h:
                stream += bytes([0, 2, 0, k])
                y += k
                continue
            break
        lead = 0
        while moves and lead < len(row) - 1 and row[lead] == 0:
            lead += 1
        if lead >= 3:
            stream += bytes([0, 2, lead, 0]) + encode_row(row[lead:], bpp == 4)
        else:
            stream += encode_row(row, bpp == 4)
        stream += b"\0\0"
        y += 1
    stream += b"\0\1"
    write(name, bmp(40, palette, bytes(stream), w, h, bpp, 1 if bpp == 8 else 2, len(palette) // 4))


def plain_file(name, w, h, bpp, palette, rows):
    pixels = bytearray()
    for row in rows:
        if bpp == 8:
            packed = bytes(row)
        else:
            packed = bytes((row[x] << 4) | (row[x + 1] if x + 1 < w else 0) for x in range(0, w, 2))
        pixels += packed + bytes(stride(w, bpp) - len(packed))
    write(name, bmp(40, palette, bytes(pixels), w, h, bpp, 0, len(palette) // 4))


# Each run-length file shows the picture of an uncompressed twin, whose hash
# it shares. (Pillow 9.4 misreads RLE4 literals of odd length and moves
# within a row, which these files have on purpose.)
rle_twins = {"pal4_rle.bmp": "pal4_v3.bmp", "gray8_rle_moves.bmp": "gray8_sparse.bmp"}
w, h, bpp, palette, rows = indexed_rows("pal4_v3.bmp")
rle_file("pal4_rle.bmp", w, h, bpp, palette, rows)
w, h, bpp, palette, rows = indexed_rows("gray8_v3.bmp")
for y in range(4, 9):
    rows[y] = [0] * w
for y in range(10, 17):
    rows[y][:9] = [0] * 9
plain_file("gray8_sparse.bmp", w, h, bpp, palette, rows)
rle_file("gray8_rle_moves.bmp", w, h, bpp, palette, rows, moves=True)

# Broken files, each with the reason the decoder gives.
errors = {}
def broken(name, data, reason):
    write(name, data)
    errors[name] = reason


broken("huge_tiny.bmp", bmp(40, b"", bytes(10), 20000, 20000, 24), "corrupted BMP")
broken("too_large.bmp", bmp(40, b"", bytes(10), 200000, 200000, 24), "Can't allocate memory")
broken("height_int_min.bmp", bmp(40, b"", bytes(12), 1, -2**31, 24), "Error reading BMP info")
d = bytearray(read("rgb24_v3.bmp"))
struct.pack_into("<I", d, 10, 100000)
broken("offbits_outside.bmp", d, "corrupted BMP")
broken("pixels_truncated.bmp", read("rgb24_v3.bmp")[:-7], "corrupted BMP")
broken("rle_truncated.bmp", read("pal4_rle.bmp")[:-30], "corrupted BMP")
broken("jpeg_compression.bmp", bmp(40, b"", bytes(12), 2, 2, 24, comp=4), "unknown compression")
broken("rle4_on_8bit.bmp", bmp(40, bytes(1024), bytes(8), 2, 2, 8, comp=2), "compression type not supported")
broken("depth_2.bmp", bmp(40, bytes(16), bytes(8), 2, 2, 2), "Error reading BMP info")
broken("short.bmp", b"BM\x10\x00\x00\x00\x00\x00", "Not a BMP")


def field_hash(path, bits):
    """Pillow scales a field of n bits by 255 / (2^n - 1); the decoder shifts it left by 8 - n."""
    with Image.open(path) as image:
        data = bytearray(rgba_bytes(image, False))
    back = {}
    for n in set(bits):
        top = (1 << n) - 1
        back[n] = {v * 255 // top: v << (8 - n) for v in range(top + 1)}
        assert len(back[n]) == top + 1
    for i in range(len(data)):
        if i % 4 != 3:
            data[i] = back[bits[i % 4]][data[i]]
    return "%016x" % fnv1a64(bytes(data))


rows_out = []
for name in sorted(os.listdir(out)):
    if name == "expected.tsv":
        continue
    path = os.path.join(out, name)
    if name in errors:
        rows_out.append((name, "-", "-", "-", errors[name]))
        continue
    d = read(name)
    base = 0 if name.endswith(".dib") else 14
    if struct.unpack_from("<I", d, base)[0] == 12:
        w, h, bpp = struct.unpack_from("<HHxxH", d, base + 4)
    else:
        w, h, bpp, comp, _, _ = info(d, base)
    depth = bpp if bpp <= 8 else 24
    if name.endswith(".dib"):
        with open(path, "rb") as f:
            image = DibImageFile(f)
            digest = "%016x" % fnv1a64(rgba_bytes(image, False))
    elif name in rle_twins:
        digest = pixel_hash(os.path.join(out, rle_twins[name]), False)
    elif name.startswith("rgb555"):
        digest = field_hash(path, (5, 5, 5))
    elif name.startswith("rgb565"):
        digest = field_hash(path, (5, 6, 5))
    else:
        digest = pixel_hash(path, False)
    rows_out.append((name, str(w), str(abs(h)), str(depth), digest))

with open(os.path.join(out, "expected.tsv"), "w") as f:
    f.write("# file\twidth\theight\tbpp\tpixel hash, or the decoder's error text\n")
    for row in rows_out:
        f.write("\t".join(row) + "\n")
EOF
