#!/usr/bin/python3
"""Writes tests/data/pcx/: PCX files from ImageMagick, GraphicsMagick, netpbm
and Pillow with 1-bit, 4-bit (bit planes and packed), 3 bit planes, 8-bit,
24-bit and 32-bit (red, green, blue, alpha planes) pixels, with expected.tsv.
"""
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corpuskit as kit  # noqa: E402
from corpuskit import GM, IM, run  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
table = kit.Table(os.path.join(ROOT, "tests", "data", "pcx"))


def main():
    small = kit.photo(7, 5, 3)
    photo = kit.photo(33, 17, 4)
    rgba = kit.with_alpha(photo)
    few = photo.quantize(12, dither=0).convert("RGB")
    eight = photo.quantize(6, dither=0).convert("RGB")
    many = photo.quantize(200, dither=0).convert("RGB")
    mono = kit.mono(33, 17, 5)
    with tempfile.TemporaryDirectory() as tmp:
        sources = {"photo.ppm": photo, "small.ppm": small, "rgba.png": rgba, "few.ppm": few,
                   "eight.ppm": eight, "many.ppm": many, "mono.pbm": mono}
        for name, im in sources.items():
            im.save(os.path.join(tmp, name))

        def tool(name, cmd, reader, source, bpp, alpha=False, stdout=False):
            path = table.path(name)
            src = os.path.join(tmp, source)
            if stdout:
                with open(path, "wb") as f:
                    run(cmd + [src], stdout=f)
            else:
                run(cmd + [src, path])
            width, height = sources[source].size
            table.add(name, width, height, bpp, kit.readback_hash(path, reader, alpha))

        tool("im_24.pcx", [IM], "im", "photo.ppm", 24)
        tool("im_small_24.pcx", [IM], "im", "small.ppm", 24)
        tool("im_32_alpha.pcx", [IM], "im", "rgba.png", 24, alpha=True)
        tool("im_8.pcx", [IM, "-type", "palette"], "im", "few.ppm", 8)
        tool("gm_24.pcx", [GM, "convert"], "gm", "photo.ppm", 24)
        tool("gm_1.pcx", [GM, "convert"], "gm", "mono.pbm", 1)
        tool("nb_1.pcx", ["ppmtopcx"], "pcxtoppm", "mono.pbm", 1, stdout=True)
        tool("nb_4_planes.pcx", ["ppmtopcx"], "pcxtoppm", "few.ppm", 4, stdout=True)
        tool("nb_4_packed.pcx", ["ppmtopcx", "-packed"], "pcxtoppm", "few.ppm", 4, stdout=True)
        tool("nb_3_planes.pcx", ["ppmtopcx", "-planes", "3"], "pcxtoppm", "eight.ppm", 4, stdout=True)
        tool("nb_8.pcx", ["ppmtopcx", "-8bit"], "pcxtoppm", "many.ppm", 8, stdout=True)
        tool("nb_small_8.pcx", ["ppmtopcx"], "pcxtoppm", "small.ppm", 8, stdout=True)
        tool("nb_24.pcx", ["ppmtopcx", "-24bit"], "pcxtoppm", "photo.ppm", 24, stdout=True)

    def pillow(name, im, bpp):
        path = table.path(name)
        im.save(path)
        table.add(name, im.size[0], im.size[1], bpp, kit.readback_hash(path, "pillow"))

    pillow("pil_1.pcx", mono, 1)
    pillow("pil_8_grey.pcx", photo.convert("L"), 8)
    pillow("pil_8.pcx", photo.convert("P"), 8)
    pillow("pil_24.pcx", photo, 24)

    # Files the decoder must refuse.
    with open(table.path("pil_8.pcx"), "rb") as f:
        good = f.read()
    with open(table.path("bad_palette.pcx"), "wb") as f:
        f.write(good[:-769] + b"\x0d" + good[-768:])
    table.add_error("bad_palette.pcx", "bad color map signature")
    with open(table.path("bad_manufacturer.pcx"), "wb") as f:
        f.write(b"\x0b" + good[1:])
    table.add_error("bad_manufacturer.pcx", "Error: Not a PCX file")
    kit.truncated_copy(table.path("pil_24.pcx"), table.path("cut_24.pcx"), 600)
    table.add_error("cut_24.pcx", "corrupted PCX")
    table.write()


if __name__ == "__main__":
    main()
