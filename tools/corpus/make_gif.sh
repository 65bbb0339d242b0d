#!/bin/sh
# Writes the GIF corpus under tests/data/gif and its table expected.tsv.
# Files come from ImageMagick, GraphicsMagick and Pillow; the expected rows
# are what Pillow shows of every frame (framecorpus.py), plus the error rows
# at the end.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/data/gif"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
IM=convert-im6.q16
PY=/usr/bin/python3
mkdir -p "$out"
rm -f "$out"/*.gif
cd "$out"

# Interlaced, 40 colours; two colours.
$IM -seed 7 -size 33x17 plasma:fractal -colors 40 -interlace GIF im_interlaced.gif
$IM -seed 4 -size 13x7 plasma: -colors 2 im_2colors.gif
# 87a files: four colours from GraphicsMagick, seven from ImageMagick.
gm convert -size 7x5 xc:red -fill blue -draw "point 1,1" -fill lime -draw "point 3,2" GIF87:gm_87a.gif
$IM -seed 3 -size 9x6 plasma: -colors 7 GIF87:im_87a.gif

# Four frames on one global table, disposals none, background, previous, none;
# the later frames are smaller than the screen.
$IM -seed 11 -size 16x1 plasma: -colors 16 "$tmp/palette.png"
$IM -seed 12 -dispose none -size 12x9 plasma: \
    -dispose background \( -size 6x4 plasma: -repage 12x9+3+2 \) \
    -dispose previous \( -size 5x5 plasma: -repage 12x9+6+3 \) \
    -dispose none \( -size 4x3 plasma: -repage 12x9+1+5 \) \
    -loop 0 -remap "$tmp/palette.png" im_dispose.gif
# Three frames with transparency, a local table each: later frames show
# colours their own table lacks and cleared areas.
$IM -seed 21 -dispose none \( -size 10x8 plasma: -colors 6 -alpha set -region 3x2+1+1 -alpha transparent +region \) \
    -dispose background \( -size 6x4 plasma: -colors 5 -alpha set -region 1x1+2+1 -alpha transparent +region -repage 10x8+2+3 \) \
    -dispose previous \( -size 5x5 plasma: -colors 4 -repage 10x8+4+1 \) \
    -loop 0 im_transparent_anim.gif

# Pillow: sixteen colours, a transparent index, and a
# 64 x 64 picture of random 8-bit indices that fills the LZW table again and again.
$PY - <<'PYEOF'
import random
from PIL import Image

random.seed(5)

def noise(mode, size, colours):
    image = Image.new(mode, size)
    image.putdata([random.randrange(colours) for _ in range(size[0] * size[1])])
    return image

sixteen = noise("P", (15, 9), 16)
sixteen.putpalette([random.randrange(256) for _ in range(48)])
sixteen.save("pil_16colors.gif")
clear = noise("P", (12, 10), 8)
clear.putpalette([random.randrange(256) for _ in range(24)])
clear.save("pil_transparent.gif", transparency=2)
full = noise("P", (64, 64), 256)
full.putpalette([random.randrange(256) for _ in range(768)])
full.save("pil_random256.gif")
PYEOF

$PY "$here/framecorpus.py" gif "$out"

# Error rows: the decoder's own texts.
printf 'GIF7' > bad_signature.gif
printf 'bad_signature.gif\t0\t0\t0\t0\t0\tNot a GIF\n' >> expected.tsv
printf 'im_dispose.gif\t4\t4\t0\t0\t0\tGIF frame not present\n' >> expected.tsv
printf 'im_dispose.gif\t-1\t4\t0\t0\t0\tGIF frame not present\n' >> expected.tsv
