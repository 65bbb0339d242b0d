#include <gtest/gtest.h>

#include <QFontInfo>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "platform/text/TextFont.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path = fs::temp_directory_path() / ("orvantis-library-" + std::to_string(::getpid()));
    Folder() { fs::remove_all(path); }
    ~Folder() { fs::remove_all(path); }
};

// The lowest mask value under a card rectangle: below 128 a window shows there.
int LowestMaskUnder(const PxImage& mask, POINT at, SIZE size)
{
    const LONG height = LONG(mask.GetHeight());
    int lowest = 255;
    for (LONG y = std::max<LONG>(at.y, 0); y < std::min<LONG>(at.y + size.cy, height); ++y) {
        const std::uint8_t* row = mask.GetBits(std::uint32_t(height - 1 - y));
        for (LONG x = std::max<LONG>(at.x, 0); x < std::min<LONG>(at.x + size.cx, LONG(mask.GetWidth())); ++x)
            lowest = std::min<int>(lowest, row[3 * x]);
    }
    return lowest;
}

// The generated library, read back as the program reads it: every template
// is a print-size frame with a photo window, and its one or two texts lie on
// the card, clear of the windows, in the face they name.
TEST(TemplateLibrary, EveryTemplateLoadsWithAWindowAndTextsBesideIt)
{
    const Folder library;
    const fs::path& root = library.path;
    ASSERT_EQ(std::system((std::string(ORVANTIS_MAKE_LIBRARY) + " " + root.string()).c_str()), 0);

    std::set<std::string> categories;
    std::set<LONG> widths;
    for (const auto& category : fs::directory_iterator(root)) {
        categories.insert(category.path().filename().string());
        int templates = 0;
        for (const auto& folder : fs::directory_iterator(category.path())) {
            SCOPED_TRACE(folder.path().string());
            ++templates;
            WorkArea card;
            ASSERT_TRUE(card.LoadTemplate(folder.path()));
            const auto& frame = dynamic_cast<const ImageEx&>(*card.GetFrame());
            const SIZE size = card.GetCardImageSize();
            EXPECT_TRUE((size == SIZE{1800, 1200}) || (size == SIZE{1200, 1800}));
            widths.insert(size.cx);
            ASSERT_EQ(frame.m_imgMaskSrc.GetWidth(), std::uint32_t(size.cx));
            EXPECT_LT(LowestMaskUnder(frame.m_imgMaskSrc, {0, 0}, size), 16);
            EXPECT_GT(LowestMaskUnder(frame.m_imgMaskSrc, {0, 0}, {size.cx, 8}), 240);

            int texts = 0;
            for (const auto& element : card.GetElements()) {
                const auto* text = dynamic_cast<const TextEx*>(element.get());
                if (!text)
                    continue;
                ++texts;
                const POINT at = text->GetPos();
                const SIZE box = text->GetSize();
                EXPECT_TRUE(at.x >= 0 && at.y >= 0 && at.x + box.cx <= size.cx && at.y + box.cy <= size.cy);
                EXPECT_GE(LowestMaskUnder(frame.m_imgMaskSrc, at, box), 128);
                const LOGFONTW font = text->GetLogFont();
                HFONT handle = CreateFontIndirectW(&font);
                EXPECT_EQ(QFontInfo(RealisedFontOf(handle)->font).family().toStdU16String(),
                          std::u16string(font.lfFaceName));
                DeleteObject(handle);
            }
            EXPECT_TRUE(texts == 1 || texts == 2);

            PxImage thumbnail;
            ASSERT_TRUE(thumbnail.Load(folder.path() / "thumb.jpg"));
            EXPECT_EQ(thumbnail.GetWidth(), 100u);
            EXPECT_EQ(thumbnail.GetHeight(), 70u);
        }
        EXPECT_GE(templates, 4) << category.path();
    }
    EXPECT_GE(categories.size(), 5u);
    EXPECT_TRUE(categories.count("others"));
    EXPECT_EQ(widths.size(), 2u);
}

}  // namespace
