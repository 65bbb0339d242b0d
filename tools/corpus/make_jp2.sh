#!/bin/sh
# Writes the JPEG 2000 family corpus (tests/data/jp2: JP2, J2K, PNM, PGX, Sun
# raster) and its table expected.tsv. Files come from opj_compress, netpbm,
# ImageMagick and this script; expected hashes from what Pillow reads back,
# from opj_decompress's raw output for component stacks, from netpbm's
# pnmdepth for maxvals other than 255, and from the sample values this script
# wrote for PGX (which no other reader here knows), and from netpbm's
# rasttopnm for Sun raster (Pillow misreads run-length rows of odd length).
# sYCC is compared with Pillow's decoding to within 1 (rounding differs).
# Run from the repository root: tools/corpus/make_jp2.sh
set -eu
out=tests/data/jp2
py=/usr/bin/python3
im=convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
w=$work

"$py" - "$w" <<'PY'
import random, struct, sys
from PIL import Image
w = sys.argv[1]
random.seed(2000)
W, H = 33, 17
im = Image.new("RGB", (W, H))
px = im.load()
for y in range(H):
    for x in range(W):
        if (x + 2 * y) % 7 == 0:
            px[x, y] = tuple(random.randrange(256) for _ in range(3))
        else:
            px[x, y] = (x * 255 // (W - 1), y * 255 // (H - 1), (x * y * 5) % 256)
im.save(f"{w}/rgb.ppm")
im.save(f"{w}/rgb.png")
im.convert("L").save(f"{w}/grey.pgm")
rgba = im.copy()
rgba.putalpha(Image.frombytes("L", (W, H), bytes((x * 29 + y * 13) % 256 for y in range(H) for x in range(W))))
rgba.save(f"{w}/rgba.png")
la = im.convert("L")
la.putalpha(rgba.getchannel("A"))
la.save(f"{w}/la.png")
# 16-bit grey with all 16 bits in use.
with open(f"{w}/grey16.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n65535\n" % (W, H))
    f.write(b"".join(struct.pack(">H", random.randrange(65536)) for _ in range(W * H)))
# Raw planes: sYCC with 4:2:0 chroma, five 8-bit components, signed 12-bit grey, 65 components.
yy = bytes((x * 8 + y * 3) % 256 for y in range(16) for x in range(32))
cb = bytes((x * 20) % 256 for y in range(8) for x in range(16))
cr = bytes((255 - y * 30) % 256 for y in range(8) for x in range(16))
open(f"{w}/ycc420.raw", "wb").write(yy + cb + cr)
open(f"{w}/comps5.raw", "wb").write(bytes(random.randrange(256) for _ in range(5 * 9 * 4)))
open(f"{w}/signed12.raw", "wb").write(b"".join(struct.pack(">h", random.randrange(-2048, 2048)) for _ in range(9 * 4)))
open(f"{w}/comps65.raw", "wb").write(bytes(65 * 4 * 4))
PY

# JP2 and J2K through opj_compress (5 resolution levels fit a 33 x 17 picture).
opj="opj_compress -n 5"
$opj -i $w/rgb.ppm -o $out/rgb.jp2 >/dev/null
$opj -i $w/rgb.ppm -o $out/rgb.j2k >/dev/null
$opj -i $w/rgb.ppm -o $out/rgb_lossy.jp2 -r 12 -I >/dev/null
opj_compress -n 4 -i $w/rgb.ppm -o $out/rgb_tiles.jp2 -t 16,8 >/dev/null
$opj -i $w/grey.pgm -o $out/grey.jp2 >/dev/null
$opj -i $w/grey.pgm -o $out/grey.j2k >/dev/null
$opj -i $w/rgba.png -o $out/rgba.jp2 >/dev/null
$opj -i $w/la.png -o $out/grey_alpha.jp2 >/dev/null
$opj -i $w/grey16.pgm -o $out/grey16.jp2 >/dev/null
opj_compress -n 4 -i $w/ycc420.raw -o $out/sycc420.jp2 -F 32,16,3,8,u@1x1:2x2:2x2 -mct 0 >/dev/null
opj_compress -n 2 -i $w/comps5.raw -o $out/comps5.j2k -F 9,4,5,8,u >/dev/null
opj_compress -n 2 -i $w/signed12.raw -o $out/signed12.j2k -F 9,4,1,12,s >/dev/null
opj_compress -n 2 -i $w/comps65.raw -o $out/comps65.j2k -F 4,4,65,8,u >/dev/null 2>&1 || true
# The component stacks as opj_decompress reads them back: one PGX per component.
opj_decompress -i $out/comps5.j2k -o $w/comps5_back.pgx >/dev/null
opj_decompress -i $out/signed12.j2k -o $w/signed12_back.pgx >/dev/null
"$py" -c "import sys; from PIL import Image; Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])" \
    $out/sycc420.jp2 $out/sycc420_reference.ppm

# PNM: plain and raw forms, maxvals other than 255, comments.
pamtopnm < $w/rgb.ppm > $out/p6.ppm
pamtopnm < $w/grey.pgm > $out/p5.pgm
pamthreshold -simple $w/grey.pgm | pamtopnm > $out/p4.pbm
pnmtoplainpnm $out/p6.ppm > $out/p3.ppm
pnmtoplainpnm $out/p5.pgm > $out/p2.pgm
pnmtoplainpnm $out/p4.pbm > $out/p1.pbm
cp $w/grey16.pgm $out/p5_maxval65535.pgm
pnmdepth 1000 $out/p5.pgm | pnmtoplainpnm > $out/p2_maxval1000.pgm
pnmdepth 31 $out/p6.ppm > $out/p6_maxval31.ppm
"$py" - $out/p3.ppm $out/p3_comments.ppm <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
magic, rest = data.split(b"\n", 1)
open(sys.argv[2], "wb").write(magic + b" # made by make_jp2.sh\n#\n" + rest.replace(b"\n", b" # row\n", 2))
PY
pnmdepth 255 $out/p5_maxval65535.pgm > $w/ref_p5_maxval65535.pgm
pnmdepth 255 $out/p2_maxval1000.pgm > $w/ref_p2_maxval1000.pgm
pnmdepth 255 $out/p6_maxval31.ppm > $w/ref_p6_maxval31.ppm

# Sun raster: ImageMagick (standard type) and pnmtorast (run-length type).
$im $w/rgb.png -type TrueColor $out/rgb24.ras
$im $w/rgba.png -type TrueColorAlpha $out/rgb32.ras
$im $w/rgb.png -colors 50 -type Palette $out/palette8.ras
pnmtorast -quiet -standard $out/p4.pbm > $out/bilevel.ras
pnmtorast -quiet -rle $out/p6.ppm > $out/rgb24_rle.ras
pnmtorast -quiet -rle $out/p5.pgm > $out/grey8_rle.ras
pnmtorast -quiet -rle $out/p4.pbm > $out/bilevel_rle.ras
for f in rgb24 rgb32 palette8 bilevel rgb24_rle grey8_rle bilevel_rle; do
    rasttopnm -quiet $out/$f.ras > $w/ref_$f.pnm
done

# Files that must fail.
printf 'not a picture at all' > $out/bad_unknown.jp2
printf 'P5\n4 4\n0\n0123456789abcdef' > $out/bad_maxval0.pgm
"$py" -c "import struct,sys; sys.stdout.buffer.write(struct.pack('>8I', 0x59a66a95, 4, 4, 7, 16, 1, 0, 0) + bytes(16))" > $out/bad_depth7.ras

# PGX written here: big- and little-endian, 8, 12 (16-bit words) and 4 bits, signed.
"$py" - "$out" "$w" <<'PY'
import random, struct, sys
out, w = sys.argv[1], sys.argv[2]
random.seed(16)
W, H = 11, 6
def write(name, header, values, fmt):
    with open(f"{out}/{name}", "wb") as f:
        f.write(header % (W, H))
        f.write(b"".join(struct.pack(fmt, v) for v in values))
    # The bytes the decoder should make, for the table.
    open(f"{w}/{name}.expected", "w").write(",".join(str(v) for v in EXPECTED[name]))
EXPECTED = {}
u8 = [random.randrange(256) for _ in range(W * H)]
EXPECTED["grey8.pgx"] = u8
write("grey8.pgx", b"PG ML + 8 %d %d\n", u8, "B")
u12 = [random.randrange(4096) for _ in range(W * H)]
EXPECTED["grey12_le.pgx"] = [v >> 4 for v in u12]
write("grey12_le.pgx", b"PG LM 12 %d %d\n", u12, "<H")
s8 = [random.randrange(-128, 128) for _ in range(W * H)]
EXPECTED["signed8.pgx"] = [v + 128 for v in s8]
write("signed8.pgx", b"PG ML -8 %d %d\n", s8, "b")
s12 = [random.randrange(-2048, 2048) for _ in range(W * H)]
EXPECTED["signed12.pgx"] = [(v + 2048) >> 4 for v in s12]
write("signed12.pgx", b"PG ML - 12 %d %d\n", s12, ">h")
u4 = [random.randrange(16) for _ in range(W * H)]
EXPECTED["grey4.pgx"] = [(v * 255 + 7) // 15 for v in u4]
write("grey4.pgx", b"PG ML + 4 %d %d\n", u4, "B")
PY

# The table: file, frame, width, height, bpp, numFrames, pixel hash or error text.
"$py" - "$out" "$w" <<'PY'
import os, struct, sys
sys.path.insert(0, "tools/corpus")
from PIL import Image
from pixelhash import fnv1a64, rgba_bytes
out, w = sys.argv[1], sys.argv[2]
rows = []

def grey(width, height, values):
    im = Image.new("L", (width, height))
    im.putdata(values)
    return im

def add(name, bpp, image=None, alpha=False, frame=0, frames=1):
    if image is None:
        image = Image.open(os.path.join(out, name))
        image.load()
        if image.mode.startswith("I"):  # 16-bit grey: the top 8 bits
            image = grey(image.size[0], image.size[1], [v >> 8 for v in image.getdata()])
    h = "%016x" % fnv1a64(rgba_bytes(image, alpha))
    rows.append((name, frame, image.size[0], image.size[1], bpp, frames, h))

def fail(name, text, frame=0, frames=0):
    rows.append((name, frame, 0, 0, 0, frames, "error:" + text))

for name in ["rgb.jp2", "rgb.j2k", "rgb_lossy.jp2", "rgb_tiles.jp2"]:
    add(name, 24)
rows.append(("sycc420.jp2", 0, 32, 16, 24, 1, "near:sycc420_reference.ppm"))
add("grey.jp2", 8); add("grey.j2k", 8); add("grey16.jp2", 8)
add("rgba.jp2", 24, alpha=True)
add("grey_alpha.jp2", 8, alpha=True)

def pgx(path):
    """Samples of a PGX file as opj_decompress writes it: header line, then samples."""
    data = open(path, "rb").read()
    header, body = data.split(b"\n", 1)
    fields = header.replace(b"+", b" + ").replace(b"-", b" - ").split()
    order = ">" if fields[1] == b"ML" else "<"
    signed = b"-" in fields
    depth, width, height = (int(v) for v in fields[-3:])
    code = ("b" if signed else "B") if depth <= 8 else ("h" if signed else "H")
    return width, height, depth, signed, struct.unpack(f"{order}{width * height}{code}", body)

def to_byte(v, depth, signed):
    """The decoders' rule for samples wider than a byte: offset signed ones, keep the top 8 bits."""
    return (v + (1 << (depth - 1) if signed else v)) >> (depth - 8)

for c in range(5):
    width, height, depth, signed, values = pgx(f"{w}/comps5_back_{c}.pgx")
    add("comps5.j2k", 8, grey(width, height, list(values)), frame=c, frames=5)
fail("comps5.j2k", "wrong frame!", frame=5, frames=5)
width, height, depth, signed, values = pgx(f"{w}/signed12_back_0.pgx")
add("signed12.j2k", 8, grey(width, height, [to_byte(v, depth, signed) for v in values]))
if os.path.exists(f"{out}/comps65.j2k"):
    fail("comps65.j2k", "error: too much components")

for name, bpp in [("p1.pbm", 1), ("p2.pgm", 8), ("p3.ppm", 24), ("p4.pbm", 1), ("p5.pgm", 8), ("p6.ppm", 24),
                  ("p3_comments.ppm", 24)]:
    add(name, bpp)
for name, bpp in [("p5_maxval65535.pgm", 8), ("p2_maxval1000.pgm", 8), ("p6_maxval31.ppm", 24)]:
    ref = Image.open(f"{w}/ref_{name}")
    add(name, bpp, ref)

for name in ["grey8.pgx", "grey12_le.pgx", "signed8.pgx", "signed12.pgx", "grey4.pgx"]:
    values = [int(v) for v in open(f"{w}/{name}.expected").read().split(",")]
    add(name, 8, grey(11, 6, values))

for name, bpp in [("rgb24", 24), ("rgb32", 24), ("palette8", 8), ("bilevel", 1), ("rgb24_rle", 24),
                  ("grey8_rle", 8), ("bilevel_rle", 1)]:
    add(f"{name}.ras", bpp, Image.open(f"{w}/ref_{name}.pnm"))

fail("bad_unknown.jp2", "error: cannot load image data")
fail("bad_maxval0.pgm", "error: cannot load image data")
fail("bad_depth7.ras", "error: cannot load image data")

with open(os.path.join(out, "expected.tsv"), "w") as table:
    table.write("# file\tframe\twidth\theight\tbpp\tframes\thash or error\n")
    for row in rows:
        table.write("\t".join(str(v) for v in row) + "\n")
PY
echo "wrote $(ls $out | wc -l) files to $out"
