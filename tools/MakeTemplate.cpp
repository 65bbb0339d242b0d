// Writes a template folder (this.tpl and thumb.jpg) made by the program
// itself: a frame picture with a rounded transparent window, its mask, and
// two preset texts.
//   make_template <folder>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "model/ImageEx.h"
#include "model/TemplateSave.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"

namespace {

constexpr LONG kWidth = 320, kHeight = 240;
constexpr RECT kWindow{40, 30, 280, 190};  // card coordinates, y downwards
constexpr LONG kCorner = 24;

// Inside the window, with rounded corners.
bool InWindow(LONG x, LONG y)
{
    if (x < kWindow.left || x >= kWindow.right || y < kWindow.top || y >= kWindow.bottom)
        return false;
    const LONG cx = std::clamp(x, kWindow.left + kCorner, kWindow.right - 1 - kCorner);
    const LONG cy = std::clamp(y, kWindow.top + kCorner, kWindow.bottom - 1 - kCorner);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= kCorner * kCorner;
}

std::unique_ptr<ImageEx> MakeFrame()
{
    PxImage picture(kWidth, kHeight, 24, FormatJpg);
    PxImage mask(kWidth, kHeight, 24, FormatJpg);
    for (LONG y = 0; y < kHeight; ++y)
        for (LONG x = 0; x < kWidth; ++x) {
            // Warm diagonal stripes with a soft vignette.
            const double stripe = 0.5 + 0.5 * std::sin((x + y) * 0.19);
            const std::uint8_t red = std::uint8_t(180 + 60 * stripe);
            const std::uint8_t green = std::uint8_t(90 + 70 * stripe);
            const std::uint8_t blue = std::uint8_t(60 + 40 * (1 - stripe));
            const LONG row = kHeight - 1 - y;
            picture.SetPixelColor(x, row, {blue, green, red, 0});
            const std::uint8_t visible = InWindow(x, y) ? 0 : 255;
            mask.SetPixelColor(x, row, {visible, visible, visible, 0});
        }
    auto frame = std::make_unique<ImageEx>(picture, mask);
    frame->SetSize({kWidth, kHeight});
    frame->m_nKind = ELEMENT_TEMPLATE_FRAME;
    return frame;
}

std::unique_ptr<TextEx> MakeText(std::u16string text, LONG height, COLORREF colour, POINT pos)
{
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = 700;
    std::u16string_view(u"Times New Roman").copy(font.lfFaceName, LF_FACESIZE - 1);
    auto element = std::make_unique<TextEx>(font, colour, std::move(text));
    element->m_ptPos = pos;
    element->m_nKind = ELEMENT_TEMPLATE_TEXT;
    return element;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    // Write the frame alone, load it as the card's template, add the texts.
    auto frame = MakeFrame();
    WorkArea card;
    if (!WorkArea::WriteTemplateFile({frame.get()}, folder / "this.tpl") || !card.LoadTemplate(folder)) {
        std::fprintf(stderr, "make_template: cannot write %s\n", folder.c_str());
        return 1;
    }
    card.AddElement(MakeText(u"Greetings", -28, RGB(120, 20, 40), {96, 196}));
    card.AddElement(MakeText(u"from the seaside", -16, RGB(40, 40, 120), {104, 8}));
    if (!SaveTemplate(card, folder)) {
        std::fprintf(stderr, "make_template: cannot save the template in %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
