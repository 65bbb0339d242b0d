"""Shared pieces of the corpus scripts for the small own codecs (make_tga.py,
make_pcx.py, make_wbmp.py): the source pictures, the tools that write and
read back the files, and the expected.tsv table.

A file's expected hash is computed from what the tool that made it reads
back (ImageMagick, GraphicsMagick or netpbm convert it to PNG or PNM first)
or, for files written by Pillow or by the scripts themselves, from Pillow.
"""
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from PIL import Image  # noqa: E402

import pixelhash  # noqa: E402

IM = "convert-im6.q16"
GM = "gm"


def run(cmd, stdout=None, stdin=None, cwd=None):
    subprocess.run(cmd, check=True, stdout=stdout, stdin=stdin, stderr=subprocess.DEVNULL, cwd=cwd)


def photo(width, height, seed):
    """RGB: a gradient, a flat block (runs for the run-length writers) and noise."""
    rng = random.Random(seed)
    im = Image.new("RGB", (width, height))
    pixels = im.load()
    for y in range(height):
        for x in range(width):
            if x < width // 3:
                pixels[x, y] = (x * 255 // max(1, width - 1), y * 255 // max(1, height - 1), 128)
            elif x < 2 * width // 3:
                pixels[x, y] = (200, 30, 90) if y < height // 2 else (20, 180, 240)
            else:
                pixels[x, y] = (rng.randrange(256), rng.randrange(256), rng.randrange(256))
    return im


def with_alpha(im):
    rgba = im.convert("RGBA")
    width, height = im.size
    rgba.putalpha(Image.frombytes("L", im.size, bytes((x * 255 // max(1, width - 1)) ^ (y * 37 & 255)
                                                       for y in range(height) for x in range(width))))
    return rgba


def mono(width, height, seed):
    rng = random.Random(seed)
    im = Image.new("1", (width, height))
    im.putdata([255 if (x // 3 + y // 2) % 2 or rng.random() < 0.1 else 0
                for y in range(height) for x in range(width)])
    return im


class Table:
    """The rows of expected.tsv for one corpus folder."""

    def __init__(self, folder):
        self.folder = folder
        self.rows = []
        os.makedirs(folder, exist_ok=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def add(self, name, width, height, bpp, digest):
        self.rows.append("%s\t%d\t%d\t%d\t%s" % (name, width, height, bpp, digest))

    def add_error(self, name, text):
        self.rows.append("%s\t-\t-\t-\t%s" % (name, text))

    def write(self):
        with open(self.path("expected.tsv"), "w") as out:
            out.write("file\twidth\theight\tbpp\thash_or_error\n")
            for row in self.rows:
                out.write(row + "\n")


def readback_hash(path, reader, alpha=False, transform=None):
    """The corpus hash of a file as its own tool decodes it.

    reader: "pillow", "im", "gm" or a netpbm converter such as "tgatoppm".
    transform, if given, maps Pillow's RGBA bytes before hashing.
    """
    with tempfile.TemporaryDirectory() as tmp:
        if reader == "pillow":
            source = path
        elif reader in ("im", "gm"):
            source = os.path.join(tmp, "readback.png")
            cmd = [IM] if reader == "im" else [GM, "convert"]
            run(cmd + [path, "-depth", "8", "png32:" + source if reader == "im" else source])
        else:
            source = os.path.join(tmp, "readback.pnm")
            with open(path, "rb") as src, open(source, "wb") as dst:
                run([reader], stdin=src, stdout=dst)
        with Image.open(source) as im:
            data = pixelhash.rgba_bytes(im, alpha)
    if transform:
        data = transform(data)
    return "%016x" % pixelhash.fnv1a64(data)


def truncated_copy(src, dst, keep):
    with open(src, "rb") as f:
        data = f.read()
    with open(dst, "wb") as f:
        f.write(data[:keep])
