#include "tools/PictureWriter.h"

#include <cstdio>
#include <cstring>

PxImage ToPxImage(const QImage& picture)
{
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    const auto width = std::uint32_t(bgr.width()), height = std::uint32_t(bgr.height());
    PxImage image(width, height, 24);
    // The DIB keeps its rows bottom-up: row 0 is the picture's last line.
    for (std::uint32_t row = 0; row < height; ++row)
        std::memcpy(image.GetBits(row), bgr.constScanLine(int(height - 1 - row)), std::size_t(width) * 3);
    return image;
}

bool WritePicture(const QImage& picture, const std::filesystem::path& path)
{
    PxImage image = ToPxImage(picture);
    const bool png = path.extension() == ".png";
    image.SetJpegQuality(98);
    if (image.Save(path, png ? FormatPng : FormatJpg))
        return true;
    std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), image.GetLastError());
    return false;
}
