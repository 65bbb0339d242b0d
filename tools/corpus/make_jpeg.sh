#!/bin/sh
# Writes the JPEG corpus under tests/data/jpeg and its table expected.tsv
# (file, scale denominator, width, height, bpp, xdpi, ydpi, pixel hash or
# expected error text).
#
# Pictures come from cjpeg (baseline, progressive, grey, restart markers,
# arithmetic coding), ImageMagick (Adobe CMYK, JFIF densities) and Pillow
# (Exif resolution tags). Expected hashes come from djpeg's decode of the same
# file (the same library as the decoder, so bit-exact); CMYK, which djpeg
# converts with its own rounding, is hashed from Pillow's raw samples with the
# decoder's integer formula. Resolutions follow the decoder's rules: Exif tags
# first, then a JFIF density in dots per inch or per centimetre, else 96.
set -eu
cd "$(dirname "$0")/../.."
OUT=tests/data/jpeg
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"
rm -f "$OUT"/*.jpg "$OUT"/expected.tsv
IM=convert-im6.q16

/usr/bin/python3 - "$TMP" <<'EOF'
import random, sys
from PIL import Image
tmp = sys.argv[1]
rng = random.Random(11)
for w, h in ((33, 17), (7, 5)):
    im = Image.new('RGB', (w, h))
    im.putdata([((x * 255) // (w - 1), (y * 255) // (h - 1), (x * y * 9 + rng.randrange(40)) & 255)
                for y in range(h) for x in range(w)])
    im.save(f'{tmp}/src_{w}x{h}.ppm')
EOF
SRC="$TMP/src_33x17.ppm"

cjpeg -quality 85 -outfile "$OUT/baseline.jpg" "$SRC"
cjpeg -quality 85 -sample 1x1 -outfile "$OUT/baseline_444.jpg" "$SRC"
cjpeg -quality 85 -progressive -outfile "$OUT/progressive.jpg" "$SRC"
cjpeg -quality 85 -grayscale -outfile "$OUT/grey.jpg" "$SRC"
cjpeg -quality 85 -restart 1B -outfile "$OUT/restart.jpg" "$SRC"
cjpeg -quality 85 -arithmetic -outfile "$OUT/arithmetic.jpg" "$SRC"
cjpeg -quality 70 -outfile "$OUT/odd_7x5.jpg" "$TMP/src_7x5.ppm"
$IM "$SRC" -strip -colorspace CMYK -quality 85 "$OUT/cmyk.jpg"
$IM "$SRC" -strip -units PixelsPerInch -density 200x100 -quality 85 "$OUT/jfif_dpi.jpg"
$IM "$SRC" -strip -units PixelsPerCentimeter -density 118x59 -quality 85 "$OUT/jfif_dpcm.jpg"

/usr/bin/python3 - "$OUT" "$SRC" <<'EOF'
import struct, sys
from PIL import Image
from PIL.TiffImagePlugin import IFDRational
out, src = sys.argv[1], sys.argv[2]
im = Image.open(src)
for name, x, y, unit in (('exif_dpi.jpg', 300, 150, 2), ('exif_dpcm.jpg', 118, 59, 3)):
    exif = Image.Exif()
    exif[282], exif[283], exif[296] = IFDRational(x, 1), IFDRational(y, 1), unit
    im.save(f'{out}/{name}', quality=85, exif=exif.tobytes())

base = open(f'{out}/baseline.jpg', 'rb').read()
sos = base.find(b'\xff\xda')
# Cut a little into the entropy-coded data: the decoder supplies the end.
open(f'{out}/truncated.jpg', 'wb').write(base[:sos + 40])
open(f'{out}/header_only.jpg', 'wb').write(base[:sos])
open(f'{out}/empty.jpg', 'wb').write(b'')
open(f'{out}/not_jpeg.jpg', 'wb').write(b'This is plain text, not a picture.\n')
# A 60000 x 60000 grey picture declared by a stream of a few hundred bytes.
grey = bytearray(open(f'{out}/grey.jpg', 'rb').read())
sof = grey.find(b'\xff\xc0')
grey[sof + 5:sof + 9] = struct.pack('>HH', 60000, 60000)
open(f'{out}/huge_dims.jpg', 'wb').write(bytes(grey))
EOF

/usr/bin/python3 - "$OUT" "$TMP" <<'EOF'
import os, subprocess, sys
sys.path.insert(0, 'tools/corpus')
from PIL import Image
from pixelhash import fnv1a64, pixel_hash
out, tmp = sys.argv[1], sys.argv[2]

def resolution(path):
    im = Image.open(path)
    exif = im.getexif()
    factors = {1: 1.0, 2: 1.0, 3: 0.3937007784843445, 4: 0.03937007859349251, 5: 3.937007932108827e-05}
    factor = factors.get(exif.get(296), 0)
    if exif.get(282) and factor:
        return int(float(exif[282]) / factor), int(float(exif.get(283, 0)) / factor) or 96
    unit = im.info.get('jfif_unit', 0)
    x, y = im.info.get('jfif_density', (0, 0))
    if unit == 2:
        return int(x * 2.54 + 0.5), int(y * 2.54 + 0.5)
    return (x or 96, y or 96) if unit else (96, 96)

def djpeg_hash(path, scale):
    ppm = f'{tmp}/decoded.pnm'
    # Exit status 2 means warnings only (a truncated stream).
    done = subprocess.run(['djpeg', '-pnm', '-scale', f'1/{scale}', '-outfile', ppm, path], stderr=subprocess.DEVNULL)
    assert done.returncode in (0, 2), path
    with Image.open(ppm) as im:
        return im.size, 8 if im.mode == 'L' else 24, pixel_hash(ppm, False)

def cmyk_hash(path):
    # Pillow inverts Adobe CMYK; undo that to get the samples as delivered.
    with Image.open(path) as im:
        c = [255 - v for v in im.tobytes()]
        data = bytearray()
        for i in range(0, len(c), 4):
            k = c[i + 3]
            data += bytes((c[i] * k // 255, c[i + 1] * k // 255, c[i + 2] * k // 255, 255))
        return im.size, 24, '%016x' % fnv1a64(bytes(data))

errors = {
    'empty.jpg': 'Empty input file',
    'not_jpeg.jpg': 'Not a JPEG file: starts with 0x54 0x68',
    'header_only.jpg': 'Invalid JPEG file structure: missing SOS marker',
    'huge_dims.jpg': 'JPEG stream too short for its dimensions',
}
with open(f'{out}/expected.tsv', 'w') as table:
    table.write('# file\tscale\twidth\theight\tbpp\txdpi\tydpi\thash or error\n')
    for name in sorted(os.listdir(out)):
        if not name.endswith('.jpg'):
            continue
        if name in errors:
            table.write(f'{name}\t1\t0\t0\t0\t0\t0\t{errors[name]}\n')
            continue
        path = f'{out}/{name}'
        xdpi, ydpi = resolution(path)
        for scale in ((1, 2, 3, 8) if name == 'baseline.jpg' else (1,)):
            (w, h), bpp, digest = cmyk_hash(path) if name == 'cmyk.jpg' else djpeg_hash(path, scale)
            table.write(f'{name}\t{scale}\t{w}\t{h}\t{bpp}\t{xdpi}\t{ydpi}\t{digest}\n')
EOF
echo "wrote $(ls "$OUT"/*.jpg | wc -l) files and $OUT/expected.tsv"
