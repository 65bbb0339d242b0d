#!/bin/sh
# Writes the ICO corpus under tests/data/ico and its table expected.tsv.
# Icons come from icoutils' icotool, ImageMagick and Pillow, made from small
# PNG pictures drawn here with Pillow; the expected rows are what Pillow shows
# of every entry (framecorpus.py), PNG-compressed entries being refused.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/data/ico"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
IM=convert-im6.q16
PY=/usr/bin/python3
mkdir -p "$out"
rm -f "$out"/*.ico

cd "$tmp"
$PY - <<'PYEOF'
import random
from PIL import Image

random.seed(9)

def picture(size, colours, alphas=(255,)):
    palette = [(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(colours)]
    image = Image.new("RGBA", size)
    image.putdata([random.choice(palette) + (random.choice(alphas),) for _ in range(size[0] * size[1])])
    return image

picture((16, 16), 2).save("c2.png")
picture((16, 16), 16).save("c16.png")
picture((32, 32), 200).save("c256.png")
picture((24, 24), 300, (0, 64, 128, 200, 255)).save("c32.png")
# Red, black and transparent: icotool keeps that at 1 bit, black doubling as
# the colour under the mask.
mask = Image.new("RGBA", (13, 7))
mask.putdata([random.choice([(200, 30, 30, 255), (0, 0, 0, 255), (0, 0, 0, 0)]) for _ in range(13 * 7)])
mask.save("mask2.png")
picture((9, 6), 500).convert("RGB").save("rgb.png")
PYEOF

cd "$out"
# Four entries; icotool picks 1, 4, 8 and 32 bits from the colours of each picture.
icotool -c -o icotool_depths.ico "$tmp/c2.png" "$tmp/c16.png" "$tmp/c256.png" "$tmp/c32.png"
# 1 bit with transparent pixels in the AND mask, an odd width; 24 bits.
icotool -c -b 1 -o icotool_1bit_mask.ico "$tmp/mask2.png"
icotool -c -b 24 -o icotool_24bit.ico "$tmp/rgb.png"
# A cursor (directory type 2).
icotool -c --cursor -X 2 -Y 3 -o icotool_cursor.ico "$tmp/c16.png"
# 32 bits with partial alpha from ImageMagick.
$IM "$tmp/c32.png" im_32alpha.ico
# Pillow: 32-bit entries without AND masks, and PNG-compressed entries.
$PY - "$tmp" <<'PYEOF'
import sys
from PIL import Image
source = Image.open(sys.argv[1] + "/c32.png")
source.save("pil_bmp.ico", bitmap_format="bmp", sizes=[(24, 24), (16, 16)])
source.save("pil_png.ico", sizes=[(24, 24), (16, 16)])
PYEOF

$PY "$here/framecorpus.py" ico "$out"

# Error rows: the decoder's own texts.
printf 'icotool_depths.ico\t4\t4\t0\t0\t0\tICO frame not present\n' >> expected.tsv
