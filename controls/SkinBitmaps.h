// The skin pictures that windows copy from with plain blits: each is decoded
// once into a 24-bit bitmap that QPainter sees through BitmapImage.
//
// Each picture name.jpg may have a partner name@2x.jpg drawn at twice the
// size, for surfaces of more than one device pixel per layout pixel (a
// desktop scaled by 1.5 or 2, or an image a widget is rendered into at that
// ratio). DrawSkin and PaintSkinImage pick the one that fits the surface;
// their callers give rectangles in the layout's pixels, which are name.jpg's
// pixels, and the partner then covers exactly the same part of the window.
// A partner that is missing, or not exactly twice its picture's size, is
// not used: the picture is shown at every ratio.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include <QPainter>
#include <QRect>

#include "image/PxImage.h"
#include "platform/Gdi.h"

// GetAppDir()/res/skins/: every skin picture lives there.
std::filesystem::path SkinFolder();

// The picture as a 24-bit bitmap; null for an empty image. A picture of
// fewer bits per pixel (a grey JPEG, a palette PNG) is widened first, since
// the widgets show only 24-bit bitmaps.
std::unique_ptr<Bitmap> MakeSkinBitmap(PxImage& picture);

// A skin picture as a 24-bit bitmap, with its partner where there is one.
struct SkinBitmap {
    std::unique_ptr<Bitmap> picture;  // never null
    std::unique_ptr<Bitmap> doubled;  // null where the skin has no partner

    LONG Width() const { return picture->Width(); }
    LONG Height() const { return picture->Height(); }
};

// DrawBitmap for skin pictures: source is given in picture's pixels, and on
// a dense surface the doubled picture's matching pixels land on target.
void DrawSkin(QPainter& painter, const QRect& target, const SkinBitmap& skin, const QRect& source);

// A skin picture that widgets draw with the image core (stretched to the
// widget, alpha blended), with its partner where there is one.
struct SkinImage {
    PxImage picture;
    PxImage doubled;  // empty where the skin has no partner

    // Loads file and its partner with the format id; a file that cannot be
    // read leaves both empty.
    void Load(const std::filesystem::path& file, std::uint32_t format);
};

// Stretches the skin image over area, through a canvas of the image core
// (see PaintOnCanvas).
void PaintSkinImage(QPainter& painter, const QRect& area, SkinImage& skin);

// The skin file, loaded with the JPEG id (other formats are recognised by
// their content), and its partner; null when it cannot be read.
std::unique_ptr<SkinBitmap> LoadSkinBitmap(const std::filesystem::path& file);

// The main frame's pictures; the bars paint from toolMain, toolSub and the
// three label pictures.
struct SkinBitmaps {
    std::unique_ptr<SkinBitmap> title;       // title.jpg
    std::unique_ptr<SkinBitmap> capNormal;   // normal.jpg
    std::unique_ptr<SkinBitmap> capMin;      // min.jpg
    std::unique_ptr<SkinBitmap> capMax;      // max.jpg
    std::unique_ptr<SkinBitmap> capClose;    // close.jpg
    std::unique_ptr<SkinBitmap> topLeft;     // topleft.jpg
    std::unique_ptr<SkinBitmap> left;        // left.jpg
    std::unique_ptr<SkinBitmap> topRight;    // topright.jpg
    std::unique_ptr<SkinBitmap> right;       // right.jpg
    std::unique_ptr<SkinBitmap> toolMain;    // tool_main.jpg
    std::unique_ptr<SkinBitmap> toolSub;     // tool_sub.jpg
    std::unique_ptr<SkinBitmap> bottom;      // bottom.jpg
    std::unique_ptr<SkinBitmap> subText;     // sub_text.jpg
    std::unique_ptr<SkinBitmap> subTpl;      // sub_tpl.jpg
    std::unique_ptr<SkinBitmap> subPhoto;    // sub_photo.jpg

    // Loads the fifteen files in the order above through one picture. A file
    // that cannot be read leaves that picture as it was, so its member gets
    // a copy of the file loaded before it (the first file: null). A skin
    // with a missing hover strip thus shows the plain strip, and a missing
    // border piece its neighbour's picture, instead of nothing. Each
    // member's partner is its own file's, or none.
    static SkinBitmaps Load(const std::filesystem::path& folder = SkinFolder());
};
