// The skin pictures that windows copy from with plain blits: each is decoded
// once into a 24-bit bitmap that QPainter sees through BitmapImage.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/Gdi.h"

class PxImage;

// GetAppDir()/res/skins/: every skin picture lives there.
std::filesystem::path SkinFolder();

// The picture as a 24-bit bitmap; null for an empty image. A picture of
// fewer bits per pixel (a grey JPEG, a palette PNG) is widened first, since
// the widgets show only 24-bit bitmaps.
std::unique_ptr<Bitmap> MakeSkinBitmap(PxImage& picture);

// The skin file, loaded with the JPEG id (other formats are recognised by
// their content); null when it cannot be read.
std::unique_ptr<Bitmap> LoadSkinBitmap(const std::filesystem::path& file);

// The main frame's pictures; the bars paint from toolMain, toolSub and the
// three label pictures.
struct SkinBitmaps {
    std::unique_ptr<Bitmap> title;       // title.jpg
    std::unique_ptr<Bitmap> capNormal;   // normal.jpg
    std::unique_ptr<Bitmap> capMin;      // min.jpg
    std::unique_ptr<Bitmap> capMax;      // max.jpg
    std::unique_ptr<Bitmap> capClose;    // close.jpg
    std::unique_ptr<Bitmap> topLeft;     // topleft.jpg
    std::unique_ptr<Bitmap> left;        // left.jpg
    std::unique_ptr<Bitmap> topRight;    // topright.jpg
    std::unique_ptr<Bitmap> right;       // right.jpg
    std::unique_ptr<Bitmap> toolMain;    // tool_main.jpg
    std::unique_ptr<Bitmap> toolSub;     // tool_sub.jpg
    std::unique_ptr<Bitmap> bottom;      // bottom.jpg
    std::unique_ptr<Bitmap> subText;     // sub_text.jpg
    std::unique_ptr<Bitmap> subTpl;      // sub_tpl.jpg
    std::unique_ptr<Bitmap> subPhoto;    // sub_photo.jpg

    // Loads the fifteen files in the order above through one picture. A file
    // that cannot be read leaves that picture as it was, so its member gets
    // a copy of the file loaded before it (the first file: null). A skin
    // with a missing hover strip thus shows the plain strip, and a missing
    // border piece its neighbour's picture, instead of nothing.
    static SkinBitmaps Load(const std::filesystem::path& folder = SkinFolder());
};
