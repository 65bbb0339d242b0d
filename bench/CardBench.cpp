// The costs of every mouse step in the editor: blending the frame through
// its mask, rebuilding a photo's working pictures, fitting a text to a box,
// composing the card on screen, and the full-resolution render for saving.
#include <benchmark/benchmark.h>

#include <climits>

#include "bench/BenchPictures.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "platform/MemoryCanvas.h"
#include "model/CardComposition.h"
#include "model/CardRender.h"
#include "model/TrackerEx.h"

namespace {

using namespace benchpictures;

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
    for (auto _ : state) {
        photo.Rebuild(false);
        benchmark::DoNotOptimize(photo.WorkPicture().GetBits());  // made when first looked at
    }
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

constexpr LONG kClientWidth = 1200, kClientHeight = 800;

// A card as the editor shows it: a frame of `source` pixels with a window in
// its middle half, fitted to `shown`, centred in a client of 1200 x 800
// times `ratio` (the screen's device pixels a point); a selected
// 12-megapixel photo a third of the card wide, on top; two texts.
class EditedCard {
public:
    EditedCard(SIZE source, SIZE shown, LONG ratio = 1) : m_client{kClientWidth * ratio, kClientHeight * ratio}
    {
        // Frames reach the card only through a template file.
        m_card.LoadTemplate(FrameTemplateFolder(source).Path());
        m_card.ScaleAll(shown);
        m_card.SetOrigin({(m_client.cx - shown.cx) / 2, (m_client.cy - shown.cy) / 2});

        auto greeting = std::make_unique<TextEx>(Arial(-48 * ratio), RGB(200, 20, 40), u"Happy Birthday, Anna");
        greeting->m_ptPos = {shown.cx / 10, shown.cy / 20};
        m_card.AddElement(std::move(greeting));
        auto signature = std::make_unique<TextEx>(Arial(-24 * ratio), RGB(20, 20, 120), u"from all of us");
        signature->m_ptPos = {shown.cx / 2, shown.cy * 17 / 20};
        m_card.AddElement(std::move(signature));

        auto photo = std::make_unique<ImageEx>(Noise(4000, 3000), PxImage());
        photo->SetSize({shown.cx / 3, shown.cx / 4});
        photo->m_ptPos = {shown.cx / 4, shown.cy / 4};
        m_photo = photo.get();
        m_card.AddElement(std::move(photo));
    }

    WorkArea& Card() { return m_card; }
    ImageEx& Photo() { return *m_photo; }
    // The card's composition as the view makes it, in the pixels of the last.
    const MemoryCanvas* Compose() { return ComposeCard(m_card, m_client, CTrackerEx::HANDLE_SIZE, m_canvases); }

    // The photo's box in client coordinates, as the view keeps it.
    RECT PhotoBox() const
    {
        const POINT o = m_card.GetOrigin(), pos = m_photo->GetPos();
        const SIZE size = m_photo->GetSize();
        return {o.x + pos.x, o.y + pos.y, o.x + pos.x + size.cx, o.y + pos.y + size.cy};
    }

private:
    SIZE m_client;
    CardCanvases m_canvases;
    WorkArea m_card;
    ImageEx* m_photo = nullptr;
};

// The view's three steps at a screen ratio of state.range(0): a card of
// 1500 x 1050 pixels a point shown at 1000 x 700 points in a client of
// 1200 x 800 points, so a ratio of 2 composes four times the pixels.
EditedCard ViewCard(benchmark::State& state)
{
    const LONG ratio = LONG(state.range(0));
    state.counters["ratio"] = double(ratio);
    return EditedCard({1500 * ratio, 1050 * ratio}, {1000 * ratio, 700 * ratio}, ratio);
}

void BM_ComposeCard_1000x700_In1200x800(benchmark::State& state)
{
    EditedCard edited = ViewCard(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(edited.Compose());
}

// One whole degree of a right-drag: the photo rebuilt at the new angle, the
// card composed again.
void BM_RotationStep_12MPPhoto(benchmark::State& state)
{
    EditedCard edited = ViewCard(state);
    for (auto _ : state) {
        edited.Photo().Rotate(1.0f);
        benchmark::DoNotOptimize(edited.Compose());
    }
}

// A corner drag step and the resize that ends it; the corner moves back and
// forth by 20 points so that every step rebuilds the photo.
void BM_CornerDragStep_12MPPhoto(benchmark::State& state)
{
    EditedCard edited = ViewCard(state);
    const SIZE shown = edited.Card().GetFrameSize();
    const POINT origin = edited.Card().GetOrigin();
    const RECT card{origin.x, origin.y, origin.x + shown.cx, origin.y + shown.cy};
    CTrackerEx tracker;
    bool grow = true;
    for (auto _ : state) {
        tracker.m_rect = edited.PhotoBox();
        tracker.m_fRatio = float(edited.Photo().GetAspectRatio());
        const POINT corner{tracker.m_rect.right - 1, tracker.m_rect.bottom - 1};
        tracker.BeginTrack(CTrackerEx::HIT_BOTTOM_RIGHT, corner, card);
        const LONG step = (grow ? 20 : -20) * LONG(state.range(0));
        tracker.TrackTo({corner.x + step, corner.y + step});
        tracker.EndTrack();
        tracker.NormalizeRect();
        const RECT r = tracker.m_rect;
        edited.Photo().SetSize({r.right - r.left, r.bottom - r.top});
        benchmark::DoNotOptimize(edited.Compose());
        grow = !grow;
    }
}

// A strip of 216 x 65,511 pixels, as a scanner or a page capture writes one,
// fitted to cover the window of a card: its box is some 1,300 x 394,000
// pixels, of which the working pictures hold the part on the card.
class StripCard {
public:
    explicit StripCard(SIZE shown) : m_folder({2600, 1800})
    {
        m_card.LoadTemplate(m_folder.Path());
        m_card.ScaleAll(shown);
        auto photo = std::make_unique<ImageEx>(Noise(216, 65511), PxImage());
        photo->SetSize({5, 1500});
        m_photo = photo.get();
        m_card.AddElement(std::move(photo));
        m_window = FindFrameWindows(static_cast<const ImageEx&>(*m_card.GetFrame())).front();
        FitPhotoToWindow(*m_photo, m_window);
    }

    WorkArea& Card() { return m_card; }
    ImageEx& Photo() { return *m_photo; }
    const RECT& Window() const { return m_window; }

private:
    FrameTemplateFolder m_folder;
    WorkArea m_card;
    ImageEx* m_photo = nullptr;
    RECT m_window{};
};

// F and Save at full resolution: the fit's fast pictures are never made, the
// save makes them in high quality when it draws them.
void BM_TallStripFitAndSave_2600x1800Card(benchmark::State& state)
{
    StripCard strip({2600, 1800});
    for (auto _ : state) {
        state.PauseTiming();
        strip.Photo().m_size = {5, 1500};
        strip.Photo().Rebuild(false);
        state.ResumeTiming();
        FitPhotoToWindow(strip.Photo(), strip.Window());
        strip.Photo().Rebuild(true);
        benchmark::DoNotOptimize(strip.Photo().WorkPicture().GetBits());
    }
}

// A drag of the fitted strip along its length in the editor, 8 pixels a
// step: the card composed at every step, the strip rebuilt every few.
void BM_TallStripDragStep_1000x692Card(benchmark::State& state)
{
    StripCard strip({1000, 692});
    LONG step = 8;
    for (auto _ : state) {
        ImageEx& photo = strip.Photo();
        if (photo.m_ptPos.y + step > 0 || photo.m_ptPos.y + photo.GetSize().cy + step < 692)
            step = -step;
        photo.m_ptPos.y += step;
        benchmark::DoNotOptimize(ComposeCard(strip.Card(), kClientWidth, kClientHeight));
    }
}

void BM_RenderCardBitmap_3000x2000(benchmark::State& state)
{
    EditedCard edited({3000, 2000}, {1000, 667});
    for (auto _ : state)
        DeleteObject(RenderCardBitmap(edited.Card()));
    state.counters["MP/s"] = benchmark::Counter(6.0, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_MaskBlend_Frame1200x900_Window)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageExFastRebuild_4000x3000_to_400x300)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawWithAlpha_1200x900)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExMeasure_20Chars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextExFit_20Chars_48to96px)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExFit_FarBoxesAndFieldLimits)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeCard_1000x700_In1200x800)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotationStep_12MPPhoto)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CornerDragStep_12MPPhoto)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderCardBitmap_3000x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TallStripFitAndSave_2600x1800Card)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TallStripDragStep_1000x692Card)->Unit(benchmark::kMillisecond);
