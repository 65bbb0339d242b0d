#!/bin/sh
# Writes the TIFF corpus (tests/data/tiff) and its table expected.tsv from
# libtiff-tools, ImageMagick and Pillow. Expected hashes come from what Pillow
# (or, where noted, ImageMagick) reads back from each file.
# Run from the repository root: tools/corpus/make_tiff.sh
set -eu
out=tests/data/tiff
py=/usr/bin/python3
im=convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"

# Source pictures: gradients with noise, 33 x 17 (tiles of 16 leave partial
# tiles on both edges) and 7 x 5 for the orientation set.
"$py" - "$work" <<'PY'
import random, sys
from PIL import Image
work = sys.argv[1]
random.seed(6)
def picture(w, h):
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            if (x + y) % 5 == 0:
                px[x, y] = tuple(random.randrange(256) for _ in range(3))
            else:
                px[x, y] = (x * 255 // (w - 1), y * 255 // (h - 1), (x * y * 7) % 256)
    return im
big = picture(33, 17)
big.save(f"{work}/rgb.png")
big.convert("L").save(f"{work}/grey.png")
alpha = Image.new("L", big.size)
alpha.putdata([(x * 37 + y * 11) % 256 for y in range(17) for x in range(33)])
rgba = big.copy(); rgba.putalpha(alpha); rgba.save(f"{work}/rgba.png")
la = big.convert("L"); la.putalpha(alpha); la.save(f"{work}/la.png")
picture(7, 5).save(f"{work}/small.png")
# A second page that differs in size and content.
picture(9, 4).transpose(Image.Transpose.ROTATE_180).save(f"{work}/page2.png")
PY

w=$work
# RGB: strips, compressions, tiles, planes, byte order, 16 bits, JPEG (YCbCr).
$im $w/rgb.png -compress none $w/rgb.tif
tiffcp -r 4 $w/rgb.tif $out/rgb_strips.tif
tiffcp -c lzw:2 -r 5 $w/rgb.tif $out/rgb_lzw_predictor.tif
tiffcp -c zip $w/rgb.tif $out/rgb_deflate.tif
tiffcp -c packbits -r 3 $w/rgb.tif $out/rgb_packbits.tif
tiffcp -t -w 16 -l 16 $w/rgb.tif $out/rgb_tiles.tif
tiffcp -p separate -c lzw $w/rgb.tif $out/rgb_planar_separate.tif
tiffcp -B -c zip $w/rgb.tif $out/rgb_bigendian.tif
$im $w/rgb.png -depth 16 -compress zip $out/rgb16.tif
tiffcp -c jpeg:90 -r 16 $w/rgb.tif $out/rgb_jpeg_ycbcr.tif
$im $w/rgba.png -compress lzw $out/rgba_unassociated.tif

# Grey and bilevel: the sample path.
$im $w/grey.png -compress none $out/grey8.tif
tiffcp -t -w 16 -l 16 -c zip $out/grey8.tif $out/grey8_tiles.tif
$im $w/grey.png -depth 4 -compress none $out/grey4.tif
$im $w/grey.png -depth 2 -compress none $out/grey2.tif
$im $w/grey.png -depth 16 -compress none $out/grey16.tif
tiffcp -B $out/grey16.tif $out/grey16_bigendian.tif
pngtopnm $w/grey.png > $w/grey.pgm
pamthreshold -simple $w/grey.pgm > $w/bilevel.pbm
pnmtotiff -quiet -miniswhite < $w/grey.pgm > $out/grey8_miniswhite.tif
pnmdepth 15 $w/grey.pgm | pnmtotiff -quiet -miniswhite > $out/grey4_miniswhite.tif
pnmtotiff -quiet -minisblack < $w/bilevel.pbm > $out/bilevel_minisblack.tif
pnmtotiff -quiet -miniswhite < $w/bilevel.pbm > $out/bilevel_miniswhite.tif
# Resolution in centimetres: 118 and 59 per cm are 300 and 150 dpi.
pnmtotiff -quiet -xresolution 118 -yresolution 59 -resolutionunit centimeter < $w/grey.pgm > $out/grey8_resolution_cm.tif
tiffcp -c g4 $out/bilevel_miniswhite.tif $out/bilevel_g4.tif
tiffcp -t -w 16 -l 16 $out/bilevel_minisblack.tif $out/bilevel_tiles.tif
$im $w/la.png -compress lzw $out/grey_alpha.tif

# Palettes of 8, 4, 2 and 1 bits (colour maps of 16-bit values c * 257).
for n in 200 16 4 2; do
    "$py" -c "import sys; from PIL import Image; Image.open(sys.argv[1]).quantize($n).convert('RGB').save(sys.argv[2])" \
        $w/rgb.png $w/colours$n.ppm
done
pnmtotiff -quiet -lzw < $w/colours200.ppm > $out/palette8.tif
pnmtotiff -quiet -indexbits 1,2,4 < $w/colours16.ppm > $out/palette4.tif
pnmtotiff -quiet -indexbits 1,2,4 -packbits < $w/colours4.ppm > $out/palette2.tif
pnmtotiff -quiet -indexbits 1,2,4 < $w/colours2.ppm > $out/palette1.tif

# CIELab with 8-bit L and signed a, b.
$im $w/rgb.png -colorspace Lab -compress none $out/cielab.tif

# Two pages of different size.
$im $w/page2.png -compress none $w/page2.tif
tiffcp $out/rgb_strips.tif $w/page2.tif $out/multipage.tif

# Orientation tags 1 to 8, through both paths (RGB: the RGBA reader; grey: samples).
$im $w/small.png -compress none $w/small_rgb.tif
$im $w/small.png -colorspace Gray -compress none $w/small_grey.tif
for o in 1 2 3 4 5 6 7 8; do
    cp $w/small_rgb.tif $out/orient${o}_rgb.tif
    tiffset -s 274 $o $out/orient${o}_rgb.tif
    cp $w/small_grey.tif $out/orient${o}_grey.tif
    tiffset -s 274 $o $out/orient${o}_grey.tif
done

# Files that must fail.
printf 'II*\000\010\000\000\000\000\000' > $out/bad_no_directory.tif
head -c 100 $out/rgb_strips.tif > $out/bad_truncated_header.tif
printf 'MM\000\052' > $out/bad_header_only.tif

# The table: file, frame, width, height, bpp, numFrames, pixel hash or error text.
"$py" - "$out" <<'PY'
import os, sys
sys.path.insert(0, "tools/corpus")
from PIL import Image
from pixelhash import fnv1a64, rgba_bytes
out = sys.argv[1]

def pillow(name, frame=0):
    im = Image.open(os.path.join(out, name))
    im.seek(frame)
    im.load()
    return im

def decoded(name, frame):
    """Pillow's pixels (already turned by the orientation tag) with 16-bit grey cut to its high byte."""
    return high_byte(pillow(name, frame))

def lab_to_rgb(im):
    # Pillow keeps a and b offset by 128; the conversion is the decoder's
    # documented CIELab formula (D65, sRGB matrix and curve).
    rgb = Image.new("RGB", im.size)
    def channel(v):
        e = 1.055 * v ** 0.41667 - 0.055 if v > 0.00304 else 12.92 * v
        return int(min(max(e * 255.0, 0.0), 255.0))
    data = []
    for l, a, b in im.getdata():
        a -= 128; b -= 128
        fy = (l * 0.3921568627450981 + 16.0) * 0.008620689655172414
        fx, fz = fy + a * 0.002, fy - b * 0.005
        x, y, z = fx ** 3 * 0.95047, fy ** 3, fz ** 3 * 1.0883
        r = 3.240479 * x - 1.53715 * y - 0.498535 * z
        g = -0.969256 * x + 1.875992 * y + 0.041556 * z
        bl = 0.055648 * x - 0.204043 * y + 1.057311 * z
        data.append((channel(r), channel(g), channel(bl)))
    rgb.putdata(data)
    return rgb

def high_byte(im):
    if not im.mode.startswith("I"):
        return im
    grey = Image.new("L", im.size)
    grey.putdata([v >> 8 for v in im.getdata()])
    return grey

rows = []
def add(name, bpp, frames=1, frame=0, alpha=False, image=None):
    im = image if image is not None else decoded(name, frame)
    h = "%016x" % fnv1a64(rgba_bytes(im, alpha))
    rows.append((name, frame, im.size[0], im.size[1], bpp, frames, h))

def fail(name, text, frames=0, frame=0):
    rows.append((name, frame, 0, 0, 0, frames, "error:" + text))

for name in ["rgb_strips.tif", "rgb_lzw_predictor.tif", "rgb_deflate.tif", "rgb_packbits.tif",
             "rgb_tiles.tif", "rgb_planar_separate.tif", "rgb_bigendian.tif", "rgb16.tif",
             "rgb_jpeg_ycbcr.tif"]:
    add(name, 24)
add("rgba_unassociated.tif", 24, alpha=True)
add("grey8.tif", 8); add("grey8_tiles.tif", 8); add("grey8_miniswhite.tif", 8)
add("grey8_resolution_cm.tif", 8); add("grey2.tif", 8)
add("grey16.tif", 8); add("grey16_bigendian.tif", 8)
add("grey4.tif", 4); add("grey4_miniswhite.tif", 4)
for name in ["bilevel_minisblack.tif", "bilevel_miniswhite.tif", "bilevel_g4.tif", "bilevel_tiles.tif"]:
    add(name, 1)
add("grey_alpha.tif", 8, alpha=True)
add("palette8.tif", 8); add("palette4.tif", 4); add("palette2.tif", 8); add("palette1.tif", 1)
add("cielab.tif", 24, image=lab_to_rgb(pillow("cielab.tif")))
add("multipage.tif", 24, frames=2, frame=0)
add("multipage.tif", 24, frames=2, frame=1)
fail("multipage.tif", "Error: page not present in TIFF file", frames=2, frame=2)
for o in range(1, 9):
    add(f"orient{o}_rgb.tif", 24)
    add(f"orient{o}_grey.tif", 8)
fail("bad_no_directory.tif", "Error encountered while opening TIFF file")
fail("bad_truncated_header.tif", "Error encountered while opening TIFF file")
fail("bad_header_only.tif", "Error encountered while opening TIFF file")

with open(os.path.join(out, "expected.tsv"), "w") as table:
    table.write("# file\tframe\twidth\theight\tbpp\tframes\thash or error\n")
    for row in rows:
        table.write("\t".join(str(v) for v in row) + "\n")
PY
echo "wrote $(ls $out | wc -l) files to $out"
