#include "controls/SkinBitmaps.h"

#include <functional>
#include <utility>

#include <QPaintEngine>

#include "app/BitmapImage.h"
#include "app/ProgramFolder.h"
#include "controls/CanvasPainter.h"

namespace {

// The partner's pixels per layout pixel.
constexpr int kDoubled = 2;

// Device pixels per layout pixel on the surface the painter draws on. A
// widget's painter reports the widget as its device, but paints into the
// backing store, or into the image that QWidget::render or grab was given,
// whose ratio may differ: the paint engine knows the real surface.
qreal SurfaceRatio(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* surface = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
    return surface ? surface->devicePixelRatioF() : 1.0;
}

// title.jpg gives title@2x.jpg.
std::filesystem::path DoubledSkinFile(const std::filesystem::path& file)
{
    std::filesystem::path doubled = file;
    doubled.replace_filename(file.stem().string() + "@2x" + file.extension().string());
    return doubled;
}

// Loads the partner of picture, which was read from file, into doubled with
// the same format id; leaves doubled empty where there is no partner of
// exactly twice picture's size.
void LoadDoubledSkin(PxImage& doubled, const PxImage& picture, const std::filesystem::path& file, std::uint32_t format)
{
    doubled.Destroy();
    if (!picture.IsValid() || !doubled.Load(DoubledSkinFile(file), format))
        return;
    if (doubled.GetWidth() != kDoubled * picture.GetWidth() || doubled.GetHeight() != kDoubled * picture.GetHeight())
        doubled.Destroy();
}

// How many pixels of a skin picture go to one layout pixel: 2 where the
// surface has more than one device pixel per layout pixel and there is a
// doubled picture, 1 otherwise.
int SkinScale(const QPainter& painter, bool hasDoubled)
{
    return hasDoubled && SurfaceRatio(painter) > 1 ? kDoubled : 1;
}

// Runs draw, which copies a picture of scale pixels per layout pixel. A
// doubled picture is filtered where its pixels do not fall 1:1 on the
// surface's (a ratio of 1.5), so that none of its lines is dropped; a
// picture at scale 1 is copied as it always was.
void DrawAtScale(QPainter& painter, int scale, const std::function<void()>& draw)
{
    painter.save();
    if (scale != 1)
        painter.setRenderHint(QPainter::SmoothPixmapTransform, SurfaceRatio(painter) != scale);
    draw();
    painter.restore();
}

// Null where picture is empty.
std::unique_ptr<SkinBitmap> MakeSkin(PxImage& picture, PxImage& doubled)
{
    std::unique_ptr<Bitmap> bitmap = MakeSkinBitmap(picture);
    if (!bitmap)
        return nullptr;
    return std::make_unique<SkinBitmap>(SkinBitmap{std::move(bitmap), MakeSkinBitmap(doubled)});
}

}  // namespace

std::filesystem::path SkinFolder()
{
    return GetAppDir() / "res" / "skins";
}

std::unique_ptr<Bitmap> MakeSkinBitmap(PxImage& picture)
{
    if (!picture.IsValid() || (picture.GetBpp() < 24 && !picture.IncreaseBpp(24)))
        return nullptr;
    return std::unique_ptr<Bitmap>(picture.MakeBitmap());
}

void DrawSkin(QPainter& painter, const QRect& target, const SkinBitmap& skin, const QRect& source)
{
    const int scale = SkinScale(painter, skin.doubled != nullptr);
    const Bitmap& bitmap = scale == 1 ? *skin.picture : *skin.doubled;
    DrawAtScale(painter, scale,
                [&] { DrawBitmap(painter, target, bitmap, QRect(source.topLeft() * scale, source.size() * scale)); });
}

void SkinImage::Load(const std::filesystem::path& file, std::uint32_t format)
{
    picture.Destroy();
    picture.Load(file, format);
    LoadDoubledSkin(doubled, picture, file, format);
}

void PaintSkinImage(QPainter& painter, const QRect& area, SkinImage& skin)
{
    const int scale = SkinScale(painter, skin.doubled.IsValid());
    PxImage& image = scale == 1 ? skin.picture : skin.doubled;
    if (!image.IsValid())
        return;
    const QSize size = area.size() * scale;
    DrawAtScale(painter, scale, [&] {
        PaintOnCanvas(
            painter, area, [&](MemoryCanvas& canvas) { image.Draw(canvas.Dc(), 0, 0, size.width(), size.height()); },
            scale);
    });
}

std::unique_ptr<SkinBitmap> LoadSkinBitmap(const std::filesystem::path& file)
{
    PxImage picture, doubled;
    picture.Load(file, FormatJpg);
    LoadDoubledSkin(doubled, picture, file, FormatJpg);
    return MakeSkin(picture, doubled);
}

SkinBitmaps SkinBitmaps::Load(const std::filesystem::path& folder)
{
    static constexpr std::pair<const char*, std::unique_ptr<SkinBitmap> SkinBitmaps::*> kFiles[] = {
        {"title.jpg", &SkinBitmaps::title},         {"normal.jpg", &SkinBitmaps::capNormal},
        {"min.jpg", &SkinBitmaps::capMin},          {"max.jpg", &SkinBitmaps::capMax},
        {"close.jpg", &SkinBitmaps::capClose},      {"topleft.jpg", &SkinBitmaps::topLeft},
        {"left.jpg", &SkinBitmaps::left},           {"topright.jpg", &SkinBitmaps::topRight},
        {"right.jpg", &SkinBitmaps::right},         {"tool_main.jpg", &SkinBitmaps::toolMain},
        {"tool_sub.jpg", &SkinBitmaps::toolSub},    {"bottom.jpg", &SkinBitmaps::bottom},
        {"sub_text.jpg", &SkinBitmaps::subText},    {"sub_tpl.jpg", &SkinBitmaps::subTpl},
        {"sub_photo.jpg", &SkinBitmaps::subPhoto},
    };
    SkinBitmaps skin;
    PxImage picture, doubled;
    for (const auto& [name, member] : kFiles) {
        picture.Load(folder / name, FormatJpg);
        LoadDoubledSkin(doubled, picture, folder / name, FormatJpg);
        skin.*member = MakeSkin(picture, doubled);
    }
    return skin;
}
