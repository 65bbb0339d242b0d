// Pictures drawn with QPainter reach the program through its own image core:
// the tools convert each QImage to a PxImage and write it with the core's
// encoders, so the program later reads exactly what its codecs wrote.
#pragma once

#include <QImage>
#include <filesystem>

#include "image/PxImage.h"

// A 24-bit PxImage with the picture's colours (any alpha is dropped).
PxImage ToPxImage(const QImage& picture);

// Writes JPEG for ".jpg" (quality 98: the skins' thin lines and small text
// must stay sharp) and PNG for ".png"; false, with a message on stderr,
// when the picture could not be written.
bool WritePicture(const QImage& picture, const std::filesystem::path& path);
