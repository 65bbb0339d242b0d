// The skin folder the build writes: every picture the program reads exists,
// decodes with the format id the program asks for, and has the size its
// place in the window needs (see tools/MakeSkins.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/PxImage.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"

namespace {

const std::filesystem::path kSkins = ORVANTIS_SKINS;

struct SkinPicture {
    const char* name;
    std::uint32_t width, height;
    std::uint32_t format;  // the id the program loads it with
};

// Pictures that are not buttons.
const SkinPicture kPictures[] = {
    {"title.jpg", 300, 25, FormatJpg},     {"normal.jpg", 95, 16, FormatJpg},    {"min.jpg", 95, 16, FormatJpg},
    {"max.jpg", 95, 16, FormatJpg},        {"close.jpg", 95, 16, FormatJpg},     {"topleft.jpg", 9, 65, FormatJpg},
    {"topright.jpg", 9, 65, FormatJpg},    {"left.jpg", 9, 16, FormatJpg},       {"right.jpg", 9, 16, FormatJpg},
    {"bottom.jpg", 64, 8, FormatJpg},      {"tool_main.jpg", 120, 65, FormatJpg}, {"tool_sub.jpg", 64, 33, FormatJpg},
    {"sub_photo.jpg", 40, 33, FormatJpg},  {"sub_tpl.jpg", 40, 33, FormatJpg},   {"sub_text.jpg", 40, 33, FormatJpg},
    {"status.jpg", 200, 21, FormatJpg},    {"about.png", 400, 300, FormatPng},   {"template.png", 476, 384, FormatBmp},
    {"thumb.jpg", 100, 70, FormatBmp},
};

// Buttons: name_up.jpg and name_down.jpg.
const SkinPicture kButtons[] = {
    {"new", 64, 64, FormatJpg},      {"save", 64, 64, FormatJpg},     {"photo", 64, 64, FormatJpg},
    {"template", 64, 64, FormatJpg}, {"text", 64, 64, FormatJpg},     {"help", 64, 64, FormatJpg},
    {"larger", 24, 21, FormatJpg},   {"less", 24, 21, FormatJpg},     {"mirror", 24, 21, FormatJpg},
    {"flip", 24, 21, FormatJpg},     {"lr", 24, 21, FormatJpg},       {"rr", 24, 21, FormatJpg},
    {"fit", 24, 21, FormatJpg},
    {"al", 24, 21, FormatJpg},       {"ac", 24, 21, FormatJpg},       {"ar", 24, 21, FormatJpg},
    {"outline", 24, 21, FormatJpg},  {"shadow", 24, 21, FormatJpg},
    {"delete", 56, 19, FormatJpg},   {"seltpl", 112, 19, FormatJpg},  {"savetpl", 112, 19, FormatJpg},
    {"imptpl", 112, 19, FormatJpg},  {"newtpl", 112, 19, FormatJpg},  {"ok", 58, 22, FormatJpg},
    {"cancel", 58, 22, FormatJpg},
};

void ExpectPicture(PxImage& image, const std::string& name, std::uint32_t width, std::uint32_t height,
                   std::uint32_t format)
{
    SCOPED_TRACE(name);
    ASSERT_TRUE(image.Load(kSkins / name, format)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), width);
    EXPECT_EQ(image.GetHeight(), height);
    EXPECT_EQ(image.GetBpp(), 24);
}

bool SamePixels(const PxImage& a, const PxImage& b)
{
    for (std::uint32_t row = 0; row < a.GetHeight(); ++row)
        if (std::memcmp(a.GetBits(row), b.GetBits(row), std::size_t(a.GetWidth()) * 3) != 0)
            return false;
    return true;
}

TEST(SkinSet, EveryPictureDecodesAtItsSize)
{
    for (const SkinPicture& picture : kPictures) {
        PxImage image;
        ExpectPicture(image, picture.name, picture.width, picture.height, picture.format);
    }
}

TEST(SkinSet, EveryButtonHasUpAndDownLooksOfOneSize)
{
    for (const SkinPicture& button : kButtons) {
        PxImage up, down;
        ExpectPicture(up, std::string(button.name) + "_up.jpg", button.width, button.height, button.format);
        ExpectPicture(down, std::string(button.name) + "_down.jpg", button.width, button.height, button.format);
        if (up.IsValid() && down.IsValid() && up.GetWidth() == down.GetWidth() && up.GetHeight() == down.GetHeight()) {
            EXPECT_FALSE(SamePixels(up, down)) << button.name << ": the down look must differ from the up look";
        }
    }
}

// Beside each picture of the window, name@2x.ext drawn at twice its size
// for dense screens (thumb.jpg belongs to the default template, not the
// window).
TEST(SkinSet, EveryPictureHasAPartnerAtTwiceItsSize)
{
    auto expectPartner = [](const std::string& name, const SkinPicture& size) {
        const std::size_t dot = name.rfind('.');
        PxImage partner;
        ExpectPicture(partner, name.substr(0, dot) + "@2x" + name.substr(dot), 2 * size.width, 2 * size.height,
                      size.format);
    };
    for (const SkinPicture& picture : kPictures)
        if (std::string(picture.name) != "thumb.jpg")
            expectPartner(picture.name, picture);
    for (const SkinPicture& button : kButtons)
        for (const char* look : {"_up.jpg", "_down.jpg"})
            expectPartner(button.name + std::string(look), button);
}

TEST(SkinSet, CaptionStripsShowWhichButtonIsHovered)
{
    PxImage normal;
    ASSERT_TRUE(normal.Load(kSkins / "normal.jpg", FormatJpg));
    for (const char* hovered : {"min.jpg", "max.jpg", "close.jpg"}) {
        PxImage strip;
        ASSERT_TRUE(strip.Load(kSkins / hovered, FormatJpg));
        EXPECT_FALSE(SamePixels(normal, strip)) << hovered;
    }
}

// The folder doubles as the default template: a 6 x 4 in card at 300 dpi
// with its two preset texts.
TEST(SkinSet, DefaultTemplateLoads)
{
    WorkArea card;
    ASSERT_TRUE(card.LoadTemplate(kSkins));
    EXPECT_EQ(card.GetCardImageSize(), (SIZE{1800, 1200}));
    int texts = 0;
    for (const auto& element : card.GetElements())
        texts += dynamic_cast<const TextEx*>(element.get()) && element->m_nKind == ELEMENT_TEMPLATE_TEXT;
    EXPECT_EQ(texts, 2);
}

}  // namespace
