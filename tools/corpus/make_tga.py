#!/usr/bin/python3
"""Writes tests/data/tga/: TGA files from ImageMagick, GraphicsMagick,
netpbm and Pillow in every origin, raw and run-length, colour-mapped, grey,
16, 24 and 32 bits, with expected.tsv.

No tool at hand writes 16-bit or right-to-left files; those are assembled
here and hashed from what Pillow reads back. ImageMagick 6.9.11 writes its
rows top first under a bottom-left origin and reads them back the same way;
GraphicsMagick, netpbm and Pillow read such a file the other way up, as the
format defines, so the hashes of ImageMagick's files come from Pillow.
"""
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corpuskit as kit  # noqa: E402
from corpuskit import GM, IM, run  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
table = kit.Table(os.path.join(ROOT, "tests", "data", "tga"))


def header(image_type, width, height, depth, descriptor):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, depth, descriptor)


def pack_rle(pixels):
    """Run-length packets over the whole pixel sequence (runs cross rows)."""
    out = bytearray()
    i = 0
    while i < len(pixels):
        j = i + 1
        if j < len(pixels) and pixels[j] == pixels[i]:
            while j < len(pixels) and j - i < 128 and pixels[j] == pixels[i]:
                j += 1
            out += bytes([0x80 | (j - i - 1)]) + pixels[i]
        else:
            while j < len(pixels) and j - i < 128 and (j + 1 >= len(pixels) or pixels[j + 1] != pixels[j]):
                j += 1
            out += bytes([j - i - 1]) + b"".join(pixels[i:j])
        i = j
    return bytes(out)


def sixteen_bit(name, im, rle, descriptor):
    """5-5-5 pixels; Pillow widens 5 bits as (v << 3) | (v >> 2), the decoder
    as v << 3, so the expected hash masks Pillow's colour bytes with 0xF8."""
    width, height = im.size
    rgb = im.convert("RGB").load()
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r, g, b = rgb[x, y]
            row.append(struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3) | 0x8000))
        rows.append(row)
    if not descriptor & 0x20:
        rows.reverse()
    pixels = [p for row in rows for p in row]
    data = pack_rle(pixels) if rle else b"".join(pixels)
    path = table.path(name)
    with open(path, "wb") as f:
        f.write(header(10 if rle else 2, width, height, 16, descriptor) + data)

    def mask(rgba):
        return bytes(v & 0xF8 if i % 4 != 3 else v for i, v in enumerate(rgba))

    table.add(name, width, height, 24, kit.readback_hash(path, "pillow", transform=mask))


def right_to_left(name, im, rle, descriptor):
    """24-bit pixels stored right to left (descriptor bit 4)."""
    width, height = im.size
    rgb = im.convert("RGB").load()
    rows = [[bytes((rgb[x, y][2], rgb[x, y][1], rgb[x, y][0])) for x in reversed(range(width))]
            for y in range(height)]
    if not descriptor & 0x20:
        rows.reverse()
    pixels = [p for row in rows for p in row]
    data = pack_rle(pixels) if rle else b"".join(pixels)
    path = table.path(name)
    with open(path, "wb") as f:
        f.write(header(10 if rle else 2, width, height, 24, descriptor | 0x10) + data)
    table.add(name, width, height, 24, kit.readback_hash(path, "pillow"))


def main():
    small = kit.photo(7, 5, 1)
    photo = kit.photo(33, 17, 2)
    rgba = kit.with_alpha(photo)
    with tempfile.TemporaryDirectory() as tmp:
        src_ppm, src_png, small_ppm = "photo.ppm", "rgba.png", "small.ppm"
        photo.save(os.path.join(tmp, src_ppm))
        rgba.save(os.path.join(tmp, src_png))
        small.save(os.path.join(tmp, small_ppm))

        def tool(name, cmd, reader, bpp, alpha=False, stdout=False):
            path = table.path(name)
            # Relative source names: netpbm stores the name as the image identifier.
            if stdout:
                with open(path, "wb") as f:
                    run(cmd, stdout=f, cwd=tmp)
            else:
                run(cmd + [path], cwd=tmp)
            width, height = (small if "small" in name else photo).size
            table.add(name, width, height, bpp, kit.readback_hash(path, reader, alpha))

        # Bottom-left origin, raw and run-length, from the Magick tools.
        tool("im_24_raw.tga", [IM, src_ppm, "-compress", "none"], "pillow", 24)
        tool("im_24_rle.tga", [IM, src_ppm, "-compress", "RLE"], "pillow", 24)
        tool("im_small_24_raw.tga", [IM, small_ppm, "-compress", "none"], "pillow", 24)
        tool("gm_24_raw.tga", [GM, "convert", src_ppm], "gm", 24)
        tool("im_32_alpha.tga", [IM, src_png, "-compress", "none"], "pillow", 24, alpha=True)
        tool("im_32_alpha_rle.tga", [IM, src_png, "-compress", "RLE"], "pillow", 24, alpha=True)
        tool("im_8_mapped.tga", [IM, src_ppm, "-type", "palette", "-compress", "none"], "pillow", 8)
        tool("im_8_grey.tga", [IM, src_ppm, "-colorspace", "gray", "-compress", "none"], "pillow", 8)
        # netpbm: colour-mapped and grey with an image identifier, run-length by default.
        tool("nb_small_8_mapped_rle.tga", ["ppmtotga", small_ppm], "tgatoppm", 8, stdout=True)
        tool("nb_small_8_mapped_raw.tga", ["ppmtotga", "-norle", small_ppm], "tgatoppm", 8, stdout=True)
        tool("nb_8_grey_rle.tga", ["ppmtotga", "-mono", src_ppm], "tgatoppm", 8, stdout=True)
        tool("nb_24_rle.tga", ["ppmtotga", "-rgb", src_ppm], "tgatoppm", 24, stdout=True)

    # Pillow: top-left origin, run-length, grey, colour-mapped, 32 bits.
    def pillow(name, im, bpp, alpha=False, **options):
        path = table.path(name)
        im.save(path, **options)
        table.add(name, im.size[0], im.size[1], bpp, kit.readback_hash(path, "pillow", alpha))

    pillow("pil_24_topleft.tga", photo, 24, orientation=1)
    pillow("pil_24_topleft_rle.tga", photo, 24, orientation=1, compression="tga_rle")
    pillow("pil_32_topleft_rle.tga", rgba, 24, alpha=True, orientation=1, compression="tga_rle")
    pillow("pil_8_grey.tga", photo.convert("L"), 8)
    pillow("pil_8_grey_rle.tga", photo.convert("L"), 8, compression="tga_rle")
    pillow("pil_8_mapped_rle.tga", photo.convert("P"), 8, compression="tga_rle")

    for descriptor, origin in ((0x00, "bottomleft"), (0x20, "topleft")):
        sixteen_bit("own_16_%s_raw.tga" % origin, photo, False, descriptor)
        sixteen_bit("own_16_%s_rle.tga" % origin, photo, True, descriptor)
        right_to_left("own_24_%s_righttoleft.tga" % origin.replace("left", ""), photo, False, descriptor)
        right_to_left("own_24_%s_righttoleft_rle.tga" % origin.replace("left", ""), photo, True, descriptor)

    # Files the decoder must refuse.
    with open(table.path("im_24_raw.tga"), "rb") as f:
        good = f.read()
    with open(table.path("bad_type.tga"), "wb") as f:
        f.write(good[:2] + b"\x04" + good[3:])
    table.add_error("bad_type.tga", "Unknown TGA image type")
    kit.truncated_copy(table.path("im_24_rle.tga"), table.path("cut_rle.tga"), 200)
    table.add_error("cut_rle.tga", "corrupted TGA")
    table.write()


if __name__ == "__main__":
    main()
