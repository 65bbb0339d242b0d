// Skin pictures for widget tests, written into a temporary folder. They are
// BMP files whatever their names say: the skin loaders ask for JPEG (or PNG)
// and fall back to recognising the content, and BMP keeps every pixel exact.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include "image/PxImage.h"

namespace skintest {

// The colour of pixel (x, y), top-down.
using Painter = std::function<QColor(int x, int y)>;

inline bool WritePicture(const std::filesystem::path& file, int w, int h, const Painter& colour)
{
    PxImage picture(std::uint32_t(w), std::uint32_t(h), 24);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = picture.GetBits(std::uint32_t(h - 1 - y));
        for (int x = 0; x < w; ++x, p += 3) {
            const QColor c = colour(x, y);
            p[0] = std::uint8_t(c.blue());
            p[1] = std::uint8_t(c.green());
            p[2] = std::uint8_t(c.red());
        }
    }
    return picture.Save(file, FormatBmp);
}

inline Painter Solid(QColor colour)
{
    return [colour](int, int) { return colour; };
}

class SkinFolder {
public:
    std::filesystem::path Path() const { return m_dir.path().toStdString(); }
    std::filesystem::path Write(const std::string& name, int w, int h, const Painter& colour) const
    {
        const std::filesystem::path file = Path() / name;
        EXPECT_TRUE(WritePicture(file, w, h, colour)) << file;
        return file;
    }

private:
    QTemporaryDir m_dir;
};

// What the widget paints, as 32-bit RGB.
inline QImage Shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor At(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

}  // namespace skintest
