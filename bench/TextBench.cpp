// Font realisation and text measuring. A text element fitted to a dragged box
// recreates its font and measures it at every step, dozens of steps per mouse
// move; drawing runs once per element on every composition of the card.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include "platform/text/TextFont.h"

namespace {

const std::u16string kText = u"Happy Birthday, Anna";  // 20 characters

LOGFONTW Describe(LONG height, LONG width)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    std::u16string_view(u"Times New Roman").copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

SIZE Measure(HFONT font)
{
    DeviceContext dc;
    dc.font = font;
    SIZE size;
    GetTextExtentPoint32W(&dc, kText.data(), int(kText.size()), &size);
    return size;
}

void BM_TextExtent20Chars(benchmark::State& state)
{
    const LOGFONTW lf = Describe(-64, 25);
    HFONT font = CreateFontIndirectW(&lf);
    for (auto _ : state)
        benchmark::DoNotOptimize(Measure(font));
    delete font;
}
BENCHMARK(BM_TextExtent20Chars);

// The same description again: what the cache of realised fonts serves.
void BM_CreateAndMeasureRepeated(benchmark::State& state)
{
    const LOGFONTW lf = Describe(-64, 25);
    for (auto _ : state) {
        HFONT font = CreateFontIndirectW(&lf);
        benchmark::DoNotOptimize(Measure(font));
        delete font;
    }
}
BENCHMARK(BM_CreateAndMeasureRepeated);

// A description not seen before at every step, as when a box is dragged:
// lfWidth steps, em height (negative lfHeight) steps or cell height steps.
void BM_CreateAndMeasureNew(benchmark::State& state)
{
    const int field = int(state.range(0));
    static LONG step = 0;  // unique across runs, so neither cache has seen it
    for (auto _ : state) {
        ++step;
        const LONG width = field == 0 ? 10 + step % 2000 : 25;
        const LONG height = field == 0 ? -64 : (field == 1 ? -1 : 1) * (20 + step % 4000);
        const LOGFONTW lf = Describe(height, width);
        HFONT font = CreateFontIndirectW(&lf);
        benchmark::DoNotOptimize(Measure(font));
        delete font;
    }
}
BENCHMARK(BM_CreateAndMeasureNew)->ArgName("field")->Arg(0)->Arg(1)->Arg(2)->Iterations(300);

void BM_DrawText20Chars(benchmark::State& state)
{
    Bitmap bitmap;
    const LONG em = LONG(state.range(0));
    bitmap.header = {40, 20 * em, 2 * em, 1, 24};
    bitmap.pixels.assign(std::size_t(bitmap.Stride()) * 2 * em, 255);
    const LOGFONTW lf = Describe(-em, 0);
    DeviceContext dc;
    dc.bitmap = &bitmap;
    dc.font = CreateFontIndirectW(&lf);
    dc.bkMode = TRANSPARENT;
    for (auto _ : state) {
        RECT rect{10, 10, 10, 10};
        benchmark::DoNotOptimize(DrawTextW(&dc, kText.data(), int(kText.size()), &rect, DT_SINGLELINE | DT_NOCLIP));
    }
    delete dc.font;
}
// Qt rasterises glyphs from 64 pixels up from their outlines every time.
BENCHMARK(BM_DrawText20Chars)->ArgName("em")->Arg(32)->Arg(64)->Arg(200);

}  // namespace
