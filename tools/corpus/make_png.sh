#!/bin/sh
# Writes the PNG corpus under tests/data/png and its table expected.tsv
# (file, width, height, bpp, pixel hash or expected error text).
#
# Pictures come from Pillow and ImageMagick (convert-im6.q16, for 2/4-bit
# grey, 16-bit colour and interlacing); a few ancillary chunks (tRNS, bKGD)
# and the broken files are spliced in with correct CRCs. Expected hashes are
# computed from Pillow's reading of each file, adjusted to what the decoder
# stores: 16-bit samples keep their high byte, a single transparent colour
# (tRNS of grey or RGB pictures) is composited onto the file's bKGD or grey
# 192, palette transparency and colours without an alpha channel hash with
# alpha 255.
set -eu
cd "$(dirname "$0")/../.."
OUT=tests/data/png
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"
rm -f "$OUT"/*.png "$OUT"/expected.tsv
IM=convert-im6.q16

# Sources: varied 33x17 content, 16-bit samples with distinct low bytes.
/usr/bin/python3 - "$OUT" "$TMP" <<'EOF'
import random, struct, sys
from PIL import Image, PngImagePlugin
out, tmp = sys.argv[1], sys.argv[2]
W, H = 33, 17
rng = random.Random(7)

def rgb_pixels():
    return [((x * 255) // (W - 1) ^ rng.randrange(16), (y * 255) // (H - 1), (x * y * 7 + rng.randrange(64)) & 255)
            for y in range(H) for x in range(W)]

def chunk(tag, body):
    import zlib
    return struct.pack('>I', len(body)) + tag + body + struct.pack('>I', zlib.crc32(tag + body) & 0xFFFFFFFF)

def bkgd(body):
    info = PngImagePlugin.PngInfo()
    info.add(b'bKGD', body)
    return info

rgb = Image.new('RGB', (W, H)); rgb.putdata(rgb_pixels())
rgb.save(f'{tmp}/src_rgb.png')
rgb.save(f'{out}/rgb.png', dpi=(300, 150))
rgba = rgb.copy(); rgba.putalpha(Image.linear_gradient('L').resize((W, H)))
rgba.save(f'{tmp}/src_rgba.png')
rgba.save(f'{out}/rgba.png')
rgba.save(f'{out}/rgba_bkgd.png', pnginfo=bkgd(struct.pack('>HHH', 10, 20, 30)))
grey = rgb.convert('L')
grey.save(f'{tmp}/src_grey.png')
grey.save(f'{out}/grey8.png')
grey.point(lambda v: 255 if v > 110 else 0).convert('1').save(f'{out}/grey1.png')
key = grey.getpixel((3, 2))
grey.save(f'{out}/grey8_trns.png', transparency=key)
# 1-bit grey whose white is transparent, over a black background.
grey.point(lambda v: 255 if v > 110 else 0).convert('1').save(
    f'{out}/grey1_trns_bkgd.png', transparency=1, pnginfo=bkgd(struct.pack('>H', 0)))
la = grey.copy().convert('LA'); la.putalpha(rgba.getchannel('A').transpose(Image.FLIP_LEFT_RIGHT))
la.save(f'{out}/greyalpha.png')
rgb_key = rgb.getpixel((5, 5))
rgb.save(f'{out}/rgb_trns_bkgd.png', transparency=rgb_key, pnginfo=bkgd(struct.pack('>HHH', 200, 100, 50)))

# 16-bit grey with distinct low bytes.
g16 = Image.new('I;16', (W, H))
g16.putdata([(x * 1999 + y * 3001 + rng.randrange(256)) & 0xFFFF for y in range(H) for x in range(W)])
g16.save(f'{out}/grey16.png')
# 16-bit colour sources for ImageMagick (PPM / PAM keep all 16 bits).
def samples(n):
    return b''.join(struct.pack('>H', rng.randrange(65536)) for _ in range(n))
open(f'{tmp}/s16.ppm', 'wb').write(b'P6 %d %d 65535\n' % (W, H) + samples(W * H * 3))
open(f'{tmp}/s16rgba.pam', 'wb').write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (W, H)
                                      + samples(W * H * 4))
open(f'{tmp}/s16ga.pam', 'wb').write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 2\nMAXVAL 65535\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n'
                                     % (W, H) + samples(W * H * 2))

# Palette pictures at every depth, with and without transparency.
for bits in (1, 2, 4, 8):
    colours = 1 << bits
    p = Image.new('P', (W, H))
    p.putpalette([rng.randrange(256) for _ in range(3 * colours)])
    p.putdata([(x * 3 + y * 5 + rng.randrange(3)) % colours for y in range(H) for x in range(W)])
    p.save(f'{out}/pal{bits}.png', bits=bits)
    if bits == 4:
        p.save(f'{tmp}/src_pal4.png', bits=4)
        p.save(f'{out}/pal4_trns0.png', bits=4, transparency=0)
        p.save(f'{out}/pal4_alpha.png', bits=4, transparency=bytes([0, 128, 255, 64, 32]))

# Hostile and broken files.
good = open(f'{out}/rgb.png', 'rb').read()
open(f'{out}/empty.png', 'wb').write(b'')
open(f'{out}/not_png.png', 'wb').write(b'This is plain text, not a picture.\n')
bad = bytearray(good); idat = bad.find(b'IDAT'); crc = idat + 4 + struct.unpack('>I', bad[idat - 4:idat])[0]
bad[crc + 3] ^= 0x55
open(f'{out}/bad_crc.png', 'wb').write(bytes(bad))
ihdr = good[8:33]
def with_size(w, h):
    body = struct.pack('>II', w, h) + ihdr[16:21]
    return good[:8] + chunk(b'IHDR', body) + good[33:]
open(f'{out}/huge_dims.png', 'wb').write(with_size(50000, 50000))
open(f'{out}/over_limit.png', 'wb').write(with_size(2000000, 1))
EOF

# ImageMagick: 2- and 4-bit grey, 16-bit colour, interlacing.
# Low-depth grey needs content that fits the depth exactly.
GREY="-posterize 4 -type Grayscale -define png:color-type=0 -define png:bit-depth=2"
$IM "$TMP/src_grey.png" -strip $GREY "$OUT/grey2.png"
$IM "$TMP/src_grey.png" -strip -posterize 16 -type Grayscale -define png:color-type=0 -define png:bit-depth=4 \
    "$OUT/grey4.png"
$IM "$TMP/s16.ppm" -strip -define png:color-type=2 -define png:bit-depth=16 "$OUT/rgb16.png"
$IM "$TMP/s16rgba.pam" -strip -define png:color-type=6 -define png:bit-depth=16 "$OUT/rgba16.png"
$IM "$TMP/s16ga.pam" -strip -define png:color-type=4 -define png:bit-depth=16 "$OUT/greyalpha16.png"
$IM "$TMP/src_rgb.png" -strip -interlace PNG -define png:color-type=2 "$OUT/interlaced_rgb.png"
$IM "$TMP/src_rgba.png" -strip -interlace PNG -define png:color-type=6 "$OUT/interlaced_rgba.png"
$IM "$TMP/src_grey.png" -strip -interlace PNG $GREY "$OUT/interlaced_grey2.png"
$IM "$TMP/src_pal4.png" -strip -interlace PNG -define png:color-type=3 -define png:bit-depth=4 "$OUT/interlaced_pal4.png"

# tRNS spliced into grey pictures that Pillow cannot give one: level 5 of the
# 4-bit picture, and the 16-bit sample at (3, 2), both without bKGD.
/usr/bin/python3 - "$OUT" <<'EOF'
import struct, sys, zlib
from PIL import Image
out = sys.argv[1]
def splice(source, target, sample):
    d = open(f'{out}/{source}', 'rb').read()
    body = struct.pack('>H', sample)
    trns = struct.pack('>I', 2) + b'tRNS' + body + struct.pack('>I', zlib.crc32(b'tRNS' + body))
    open(f'{out}/{target}', 'wb').write(d[:33] + trns + d[33:])
splice('grey4.png', 'grey4_trns.png', 5)
splice('grey16.png', 'grey16_trns.png', Image.open(f'{out}/grey16.png').getpixel((3, 2)))
EOF

# The table.
/usr/bin/python3 - "$OUT" <<'EOF'
import os, struct, sys, zlib
sys.path.insert(0, 'tools/corpus')
from PIL import Image
from pixelhash import fnv1a64
out = sys.argv[1]

def chunks(path):
    d = open(path, 'rb').read(); i = 8; found = {}
    while i + 8 <= len(d):
        n, t = struct.unpack('>I4s', d[i:i + 8]); found.setdefault(t, d[i + 8:i + 8 + n]); i += 12 + n
    return found

def rgba_view(path):
    """Pixels as the decoder should store them, as RGBA tuples, and its bpp."""
    c = chunks(path)
    w, h, depth, ctype = struct.unpack('>IIBB', c[b'IHDR'][:10])
    im = Image.open(path)
    im.load()
    if ctype == 0 and depth == 16:  # compared at full depth, then the high byte kept
        key = struct.unpack('>H', c[b'tRNS'])[0] if b'tRNS' in c else None
        bg = struct.unpack('>H', c[b'bKGD'])[0] >> 8 if b'bKGD' in c else 192
        return [((bg if v == key else v >> 8),) * 3 + (255,) for v in im.getdata()], 8
    if ctype in (4, 6):  # alpha channel: alpha plane, 24 bpp
        return list(im.convert('RGBA').getdata()), 24
    bpp = 24 if ctype == 2 else max(depth, 4) if depth == 2 else depth
    if ctype == 3:
        return [p[:3] + (255,) for p in im.convert('RGBA').getdata()], bpp
    # Grey or RGB: a tRNS colour is composited onto bKGD or grey 192.
    if b'tRNS' not in c:
        return [p[:3] + (255,) for p in im.convert('RGB').getdata()], bpp
    samples = struct.unpack('>%dH' % (len(c[b'tRNS']) // 2), c[b'tRNS'])
    maximum = (1 << depth) - 1
    to8 = lambda v: v * (255 // maximum) if depth <= 8 else v >> 8
    key = tuple(to8(v) for v in samples) * (3 if ctype == 0 else 1)
    if b'bKGD' in c:
        bg = tuple(to8(v) for v in struct.unpack('>%dH' % (len(c[b'bKGD']) // 2), c[b'bKGD']))
        bg = bg * 3 if ctype == 0 else bg
    else:
        level = to8((192 * maximum + 127) // 255)
        bg = (level,) * 3
    return [(bg if p[:3] == key else p[:3]) + (255,) for p in im.convert('RGB').getdata()], bpp

errors = {
    'empty.png': 'Read Error',
    'not_png.png': 'Not a PNG file',
    'bad_crc.png': 'IDAT: CRC error',
    'huge_dims.png': 'PNG stream too short for its dimensions',
    'over_limit.png': 'Invalid IHDR data',
}
with open(f'{out}/expected.tsv', 'w') as table:
    table.write('# file\twidth\theight\tbpp\txdpi\tydpi\thash or error\n')
    for name in sorted(os.listdir(out)):
        if not name.endswith('.png'):
            continue
        if name in errors:
            table.write(f'{name}\t0\t0\t0\t0\t0\t{errors[name]}\n')
            continue
        path = f'{out}/{name}'
        px, bpp = rgba_view(path)
        w, h = Image.open(path).size
        phys = chunks(path).get(b'pHYs')
        xdpi, ydpi = (96, 96)
        if phys:
            x, y, unit = struct.unpack('>IIB', phys)
            xdpi, ydpi = (int(x * 0.0254 + 0.5), int(y * 0.0254 + 0.5)) if unit == 1 else (x, y)
        digest = '%016x' % fnv1a64(b''.join(bytes(p) for p in px))
        table.write(f'{name}\t{w}\t{h}\t{bpp}\t{xdpi}\t{ydpi}\t{digest}\n')
EOF
echo "wrote $(ls "$OUT"/*.png | wc -l) files and $OUT/expected.tsv"
