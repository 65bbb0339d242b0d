"""The corpus pixel hash (see tests/image/ImageHash.h), from Pillow's view of a file."""
from PIL import Image


def fnv1a64(data: bytes) -> int:
    h = 0xCBF29CE484222325
    for b in data:
        h ^= b
        h = (h * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def rgba_bytes(image: Image.Image, with_alpha: bool) -> bytes:
    """RGBA rows from the top; alpha forced to 255 unless the decoder keeps an alpha plane."""
    rgba = image.convert("RGBA")
    if not with_alpha:
        rgba.putalpha(255)
    return rgba.tobytes()


def pixel_hash(path: str, with_alpha: bool, frame: int = 0) -> str:
    with Image.open(path) as image:
        image.seek(frame)
        return "%016x" % fnv1a64(rgba_bytes(image, with_alpha))


if __name__ == "__main__":
    import sys
    print(pixel_hash(sys.argv[1], sys.argv[2] == "alpha" if len(sys.argv) > 2 else False))
