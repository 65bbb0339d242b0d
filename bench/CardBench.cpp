// The costs of every mouse step in the editor: blending the frame through
// its mask, rebuilding a photo's working pictures, fitting a text to a box.
#include <benchmark/benchmark.h>

#include <climits>
#include <random>

#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "platform/MemoryCanvas.h"

namespace {

PxImage Noise(std::uint32_t width, std::uint32_t height)
{
    PxImage image(width, height, 24, 0);
    std::mt19937 rng(1);
    for (std::uint32_t i = 0; i < image.header.biSizeImage; ++i)
        image.GetBits()[i] = std::uint8_t(rng() >> 11);
    return image;
}

void BM_MaskBlend_Frame1200x900_Window(benchmark::State& state)
{
    // A 100-pixel border around a transparent window.
    PxImage mask(1200, 900, 24, 0);
    mask.Clear(0);
    for (std::uint32_t y = 0; y < 900; ++y)
        for (std::uint32_t x = 0; x < 1200; ++x)
            if (x < 100 || x >= 1100 || y < 100 || y >= 800)
                mask.SetPixelColor(std::int32_t(x), std::int32_t(y), {255, 255, 255, 0});
    ImageEx frame(Noise(1200, 900), mask);
    frame.SetSize({1200, 900});
    MemoryCanvas canvas(1200, 900);
    canvas.Fill(0xFF);
    for (auto _ : state)
        frame.Draw(canvas.Dc());
    state.counters["MP/s"] = benchmark::Counter(1.08, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ImageExFastRebuild_4000x3000_to_400x300(benchmark::State& state)
{
    ImageEx photo(Noise(4000, 3000), PxImage());
    photo.SetSize({400, 300});
    photo.m_fAngle = float(state.range(0));
    for (auto _ : state)
        photo.Rebuild(false);
    state.SetLabel(state.range(0) ? "rotated 30" : "unrotated");
}

void BM_DrawWithAlpha_1200x900(benchmark::State& state)
{
    PxImage picture = Noise(1200, 900);
    picture.AlphaCreate();
    std::mt19937 rng(2);
    for (std::uint32_t i = 0; i < 1200 * 900; ++i)
        picture.alpha[i] = std::uint8_t(rng());
    const int scale = int(state.range(0));  // percent
    const int width = 1200 * scale / 100, height = 900 * scale / 100;
    MemoryCanvas canvas(width, height);
    canvas.Fill(0xFF);
    for (auto _ : state)
        picture.Draw(canvas.Dc(), 0, 0, width, height);
    state.SetLabel(scale == 100 ? "natural size" : "scaled to 50%");
}

LOGFONTW Arial(LONG height)
{
    LOGFONTW font{};
    font.lfHeight = height;
    std::u16string_view(u"Arial").copy(font.lfFaceName, LF_FACESIZE - 1);
    return font;
}

void BM_TextExMeasure_20Chars(benchmark::State& state)
{
    for (auto _ : state) {
        TextEx text(Arial(-48), 0, u"Happy Birthday, Anna");
        benchmark::DoNotOptimize(text.GetSize());
    }
}

void BM_TextExFit_20Chars_48to96px(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        TextEx text(Arial(-48), 0, u"Happy Birthday, Anna");
        const SIZE start = text.GetSize();
        state.ResumeTiming();
        text.SetSize({start.cx * 2, start.cy * 2});
    }
}

// Fitting to boxes far from the text's size, and fonts at the ends of the
// 32-bit fields (a template may hold any): each fitting is bounded by the
// text layer's largest em and stretch, not by the distance to the box.
void BM_TextExFit_FarBoxesAndFieldLimits(benchmark::State& state)
{
    struct Case {
        const char* label;
        LONG height, width;
        SIZE box;  // 0 x 0: half the measured size
    };
    static const Case cases[] = {
        {"height INT_MAX to half", INT_MAX, 0, {}},
        {"height INT_MIN width INT_MAX to half", INT_MIN, INT_MAX, {}},
        {"-48 to 1000000 x 1000000", -48, 0, {1000000, 1000000}},
        {"-48 to 1 x 1", -48, 0, {1, 1}},
        {"-48 to 4000 x 20", -48, 0, {4000, 20}},
    };
    const Case& c = cases[state.range(0)];
    LOGFONTW font = Arial(c.height);
    font.lfWidth = c.width;
    for (auto _ : state) {
        state.PauseTiming();
        TextEx text(font, 0, u"Happy Birthday, Anna");
        const SIZE start = text.GetSize();
        const SIZE box = c.box.cx ? c.box : SIZE{start.cx / 2, start.cy / 2};
        state.ResumeTiming();
        text.SetSize(box);
    }
    state.SetLabel(c.label);
}

}  // namespace

BENCHMARK(BM_MaskBlend_Frame1200x900_Window)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageExFastRebuild_4000x3000_to_400x300)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawWithAlpha_1200x900)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExMeasure_20Chars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextExFit_20Chars_48to96px)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExFit_FarBoxesAndFieldLimits)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
