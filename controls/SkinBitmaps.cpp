#include "controls/SkinBitmaps.h"

#include <utility>

#include "app/ProgramFolder.h"
#include "image/PxImage.h"

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

std::unique_ptr<Bitmap> LoadSkinBitmap(const std::filesystem::path& file)
{
    PxImage picture;
    picture.Load(file, FormatJpg);
    return MakeSkinBitmap(picture);
}

SkinBitmaps SkinBitmaps::Load(const std::filesystem::path& folder)
{
    static constexpr std::pair<const char*, std::unique_ptr<Bitmap> SkinBitmaps::*> kFiles[] = {
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
    PxImage picture;
    for (const auto& [name, member] : kFiles) {
        picture.Load(folder / name, FormatJpg);
        skin.*member = MakeSkinBitmap(picture);
    }
    return skin;
}
