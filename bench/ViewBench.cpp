// What a user waits for in the card view: a photo opened until it is shown,
// the card rendered and saved at full resolution, a keystroke in the text
// editor, a text bar change applied to the selected text, the template
// dialog opened and a template applied, a rotation undone and redone, a card
// of ten large photos saved as a card file and opened again.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <string>

#include <QApplication>
#include <QListWidget>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/CardAutosave.h"
#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "bars/DlgTemplateSel.h"
#include "bench/BenchPictures.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/MouseEvents.h"
#include "tests/view/FakeViewHost.h"
#include "view/EditEx.h"
#include "view/LumivexView.h"

namespace {

using namespace benchpictures;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A document and its view on screen, 1200 x 800, the card fitted into it.
class ShownCard {
public:
    explicit ShownCard(SIZE source) : m_folder(source), m_document(m_folder.Path()), m_view(m_document, &m_host)
    {
        m_view.resize(1200, 800);
        m_view.show();
        // Painting starts once the window system has exposed the window.
        QCoreApplication::processEvents();
        m_view.SetMode(MODE_TEMPLATE);
        m_view.repaint();
    }
    CLumivexDoc& Document() { return m_document; }
    CLumivexView& View() { return m_view; }
    SIZE Shown() const { return m_document.Card().GetFrameSize(); }

private:
    FrameTemplateFolder m_folder;
    FakeHost m_host;
    CLumivexDoc m_document;
    CLumivexView m_view;
};

// The 4000 x 3000 photo as a JPEG file of quality 90, written once.
std::filesystem::path PhotoJpeg()
{
    static const std::filesystem::path path = [] {
        const std::filesystem::path file = BenchFolder() / "photo.jpg";
        std::filesystem::create_directories(BenchFolder());
        PhotoLike(4000, 3000).Save(file, FormatJpg);
        return file;
    }();
    return path;
}

// The same photo as a phone (HEIC) or a web page (WebP) writes it, made
// from the JPEG by the libraries' own tools, written once.
std::filesystem::path PhotoConverted(const char* name, const char* command)
{
    const std::filesystem::path file = BenchFolder() / name;
    const std::string line = std::string(command) + " >/dev/null 2>&1";
    if (std::system(line.c_str()) != 0)
        std::filesystem::remove(file);
    return file;
}

std::filesystem::path PhotoHeic()
{
    static const std::filesystem::path path = PhotoConverted(
        "photo.heic", ("heif-enc -q 85 -o '" + (BenchFolder() / "photo.heic").string() + "' '" +
                       PhotoJpeg().string() + "'").c_str());
    return path;
}

std::filesystem::path PhotoWebp()
{
    static const std::filesystem::path path = PhotoConverted(
        "photo.webp", ("cwebp -quiet -q 85 '" + PhotoJpeg().string() + "' -o '" +
                       (BenchFolder() / "photo.webp").string() + "'").c_str());
    return path;
}

// The main bar's Photo command after the file dialog: open the photo as the
// program does (upright, in sRGB), place it on the card, select it and show
// the card.
void BM_OpenPhoto_UntilShown(benchmark::State& state, std::filesystem::path (*photoFile)())
{
    ShownCard card({1500, 1050});
    const std::filesystem::path file = photoFile();
    for (auto _ : state) {
        PxImage photo;
        std::string why;
        if (!OpenPhoto(file, photo, why) || !card.Document().PlacePhoto(std::move(photo))) {
            state.SkipWithError(("the photo could not be placed: " + why).c_str());
            break;
        }
        card.View().SetMode(MODE_PHOTO);
        card.View().repaint();
        state.PauseTiming();
        card.Document().DeleteSelection();
        state.ResumeTiming();
    }
}

// File > Save of a 3000 x 2000 card holding that photo, as a JPEG of
// quality 90; the file is left for bench/compare-card.sh.
void BM_RenderAndSaveJpeg_3000x2000Card(benchmark::State& state)
{
    ShownCard card({3000, 2000});
    PxImage photo;
    photo.Load(PhotoJpeg(), FormatUnknown);
    card.Document().PlacePhoto(photo);
    const std::filesystem::path file = BenchFolder() / "card.jpg";
    for (auto _ : state) {
        std::string error;
        if (!card.Document().SaveCardImage(file, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["MP/s"] = benchmark::Counter(6.0, benchmark::Counter::kIsIterationInvariantRate);
}

// One keystroke in the editor over a 1000 x 700 card, typed and painted;
// every other one takes the character back, so the text stays short.
void BM_EditorKeystroke_1000x700Card(benchmark::State& state)
{
    ShownCard card({1000, 700});
    CLumivexView& view = card.View();
    view.SetMode(MODE_ADD_TEXT);
    mouse::Press(view, {300, 300});
    CEditEx& editor = view.GetEditor();
    if (view.GetMode() != MODE_EDITING || !editor.isVisible()) {
        state.SkipWithError("no editor opened");
        return;
    }
    PaintCounter counter;
    editor.viewport()->installEventFilter(&counter);  // the editor paints on its viewport
    const MemoryCanvas* composed = view.GetBackBuffer();
    bool type = true;
    std::int64_t typed = 0;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, type ? Qt::Key_A : Qt::Key_Backspace, {}, type ? QStringLiteral("a") : QString());
        QCoreApplication::sendEvent(&editor, &key);
        editor.repaint();
        typed += type && editor.text() == QStringLiteral("a");
        type = !type;
    }
    // Every keystroke reached the editor and painted it; the card under the
    // editor was never composed again.
    state.counters["typed"] = double(typed) / double((state.iterations() + 1) / 2);
    state.counters["paints"] = double(counter.paints) / double(state.iterations());
    state.counters["card composed again"] = view.GetBackBuffer() != composed;
    state.SetLabel(std::to_string(card.Shown().cx) + " x " + std::to_string(card.Shown().cy) + " card");
}

// A text of three lines with an outline and a shadow, as people put them on cards.
std::unique_ptr<TextEx> GreetingWithEffects(POINT at)
{
    TextLook look;
    look.align = TextAlign::Centre;
    look.outline = {RGB(30, 40, 120), PixelsOfPoints(2)};
    look.shadow = {true, RGB(0, 0, 0), PixelsOfPoints(3), PixelsOfPoints(3), PixelsOfPoints(4)};
    auto text = std::make_unique<TextEx>(Arial(-48), RGB(250, 240, 200), u"Happy birthday\ndear Anna\nfrom all of us",
                                         look);
    text->m_ptPos = at;
    return text;
}

// One keystroke at the end of that text's last line in the editor over a
// 1000 x 700 card, typed and painted; every other one takes it back.
void BM_EditorKeystroke_ThreeLinesOutlineShadow(benchmark::State& state)
{
    ShownCard card({1000, 700});
    card.Document().Place(GreetingWithEffects({200, 200}));
    card.Document().Select(nullptr);
    CLumivexView& view = card.View();
    view.SetMode(MODE_TEMPLATE);
    const POINT origin = card.Document().Card().GetOrigin();
    mouse::DoubleClick(view, {origin.x + 230, origin.y + 230});
    CEditEx& editor = view.GetEditor();
    if (view.GetMode() != MODE_EDITING || !editor.isVisible() || !editor.text().contains(QLatin1Char('\n'))) {
        state.SkipWithError("the text was not opened in the editor");
        return;
    }
    const QString typed = editor.text();
    bool type = true;
    std::int64_t kept = 0;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, type ? Qt::Key_A : Qt::Key_Backspace, {}, type ? QStringLiteral("a") : QString());
        QCoreApplication::sendEvent(&editor, &key);
        editor.repaint();
        kept += editor.text() == (type ? typed + QLatin1Char('a') : typed);
        type = !type;
    }
    state.counters["typed"] = double(kept) / double(state.iterations());
}

// One of the text bar's changes to the selected text (state.range(0): face,
// size, colour, alignment, outline, shadow), alternating between two values,
// and the card composed and shown after each.
void TimeTextBarChange(benchmark::State& state, ShownCard& card)
{
    CLumivexView& view = card.View();
    view.SetMode(MODE_TEXT);
    CLumivexDoc& document = card.Document();
    const int change = int(state.range(0));
    bool flip = false;
    for (auto _ : state) {
        switch (change) {
        case 0: document.SetSelectedTextFace(flip ? u"DejaVu Serif" : u"DejaVu Sans"); break;
        case 1: document.SetSelectedTextHeight(flip ? -48 : -64); break;
        case 2: document.SetSelectedTextColor(flip ? RGB(200, 20, 40) : RGB(20, 40, 200)); break;
        case 3: document.AlignSelectedText(flip ? 0 : 2); break;
        case 4: document.SetSelectedTextOutline({RGB(30, 40, 120), PixelsOfPoints(flip ? 2 : 4)}); break;
        default:
            document.SetSelectedTextShadow(
                {true, RGB(0, 0, 0), PixelsOfPoints(3), PixelsOfPoints(3), PixelsOfPoints(flip ? 4 : 8)});
            break;
        }
        view.repaint();
        flip = !flip;
    }
    static const char* const kLabels[] = {"face", "size", "colour", "alignment", "outline", "shadow"};
    state.SetLabel(kLabels[change]);
}

// A text bar change to a selected text of three lines with an outline and a
// shadow.
void BM_TextBarChange_ThreeLinesOutlineShadow(benchmark::State& state)
{
    ShownCard card({1500, 1050});
    card.Document().Place(GreetingWithEffects({40, 40}));
    TimeTextBarChange(state, card);
}

// A text bar change to a selected 40-character text, refitted each time.
void BM_TextBarChange_40CharText(benchmark::State& state)
{
    ShownCard card({1500, 1050});
    auto text = std::make_unique<TextEx>(Arial(-48), RGB(200, 20, 40), u"Happy Birthday, Anna, from all of us here");
    text->m_ptPos = {40, 40};
    card.Document().Place(std::move(text));
    TimeTextBarChange(state, card);
}

// A category of 20 templates at print size, 1800 x 1200.
class TemplateCategoryOnDisk {
public:
    TemplateCategoryOnDisk() : m_root(std::filesystem::temp_directory_path() / ("orvantis-bench-tree-" + std::to_string(::getpid())))
    {
        for (int i = 0; i < 20; ++i)
            m_templates.push_back(std::make_unique<FrameTemplateFolder>(
                SIZE{1800, 1200}, m_root / "Birthday" / ("template-" + std::to_string(100 + i))));
    }
    ~TemplateCategoryOnDisk()
    {
        m_templates.clear();
        std::filesystem::remove_all(m_root);
    }
    std::vector<std::filesystem::path> Roots() const { return {m_root}; }

private:
    std::filesystem::path m_root;
    std::vector<std::unique_ptr<FrameTemplateFolder>> m_templates;
};

// Select Template until every thumbnail of the category is on screen.
void BM_OpenTemplateDialog_20Templates(benchmark::State& state)
{
    const TemplateCategoryOnDisk category;
    ShownCard card({1800, 1200});
    for (auto _ : state) {
        CDlgTemplateSel dialog(card.Document(), category.Roots(), &card.View(), ORVANTIS_SKINS);
        PaintCounter counter;
        dialog.List().viewport()->installEventFilter(&counter);
        dialog.show();
        QApplication::processEvents();
        dialog.repaint();
        if (dialog.List().count() != 20 || counter.paints == 0 || dialog.width() == 0)
            state.SkipWithError("the category's templates are not shown");
    }
}

// A double-click in the dialog: the 1800 x 1200 template read, fitted and
// shown under a card that holds a photo; two templates take turns.
void BM_ApplyTemplate_1800x1200(benchmark::State& state)
{
    const TemplateCategoryOnDisk category;
    ShownCard card({1800, 1200});
    card.Document().PlacePhoto(PhotoLike(1600, 1200));
    CDlgTemplateSel dialog(card.Document(), category.Roots(), &card.View(), ORVANTIS_SKINS);
    int index = 0;
    for (auto _ : state) {
        dialog.ApplyTemplate(index);
        card.View().repaint();
        index = 1 - index;
    }
}


// A 3000 x 2000 card with a 24-megapixel photo on it, selected.
class CardWith24MPPhoto : public ShownCard {
public:
    CardWith24MPPhoto() : ShownCard({3000, 2000})
    {
        Document().PlacePhoto(PhotoLike(6000, 4000));
        View().SetMode(MODE_PHOTO);
    }
    // One step as the photo bar's rotate buttons make it, by 15 degrees.
    void RotateStep() { Document().RotateSelectedPhoto(15); }
};

// Undo (range 0) or redo (range 1) of a rotation, the card recomposed.
void BM_UndoRedoRotation_24MPPhoto(benchmark::State& state)
{
    CardWith24MPPhoto card;
    card.RotateStep();
    const bool redo = state.range(0) == 1;
    for (auto _ : state) {
        // Each step until the card is composed again.
        if (redo) {
            state.PauseTiming();
            card.View().Undo();
            card.View().GetBackBuffer();
            state.ResumeTiming();
            card.View().Redo();
            card.View().GetBackBuffer();
        } else {
            card.View().Undo();
            card.View().GetBackBuffer();
            state.PauseTiming();
            card.View().Redo();
            card.View().GetBackBuffer();
            state.ResumeTiming();
        }
    }
}

// A 3000 x 2000 card holding 24-megapixel JPEG photos (ten unless said),
// each opened from a file of its own, saved as a card file once; the files
// are left for bench/compare-card.sh.
class CardWithPhotos {
public:
    explicit CardWithPhotos(int photos = 10) : m_card({3000, 2000})
    {
        const std::filesystem::path first = BenchFolder() / "card-photo-0.jpg";
        if (!std::filesystem::exists(first))
            PhotoLike(6000, 4000).Save(first, FormatJpg);
        for (int i = 0; i < photos; ++i) {
            const std::filesystem::path file = PhotoFile(i);
            if (!std::filesystem::exists(file))
                std::filesystem::copy_file(first, file);
            PxImage photo;
            SharedSourceFile source;
            std::string why;
            if (OpenPhoto(file, photo, why, source))
                m_card.Document().PlacePhoto(std::move(photo), 20 * i, std::move(source));
        }
        std::string error;
        m_card.Document().SaveCard(CardFile(), error);
    }
    static std::filesystem::path PhotoFile(int i) { return BenchFolder() / ("card-photo-" + std::to_string(i) + ".jpg"); }
    static std::filesystem::path CardFile() { return BenchFolder() / "ten-photos.orvantis"; }
    ShownCard& Card() { return m_card; }

private:
    ShownCard m_card;
};

// Save Card: the photos' files are copied into the card file, not encoded.
void BM_SaveCard_Ten24MPPhotos(benchmark::State& state)
{
    CardWithPhotos card;
    for (auto _ : state) {
        std::string error;
        if (!card.Card().Document().SaveCard(CardWithPhotos::CardFile(), error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

// Open Card of that card file until the card is shown: the ten photos
// decoded side by side, the working pictures made, the view painted.
void BM_OpenCard_Ten24MPPhotos_UntilShown(benchmark::State& state)
{
    CardWithPhotos card;
    CLumivexDoc& document = card.Card().Document();
    for (auto _ : state) {
        std::string error;
        if (!document.OpenCard(CardWithPhotos::CardFile(), error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        card.Card().View().repaint();
    }
}

// The card kept behind the user's back, after its first autosave: what the
// user-interface thread spends on one (the card's record taken and handed
// over), and the time from a change to its state being safe on disk.
void BM_Autosave_24MPPhotos(benchmark::State& state)
{
    CardWithPhotos card(int(state.range(1)));
    CLumivexDoc& document = card.Card().Document();
    CardAutosave autosave(document, BenchFolder() / "recovery", 0);
    document.MoveSelection(1, 0);
    autosave.SaveNow();
    autosave.Flush();
    const bool untilSafe = state.range(0) == 1;
    for (auto _ : state) {
        document.MoveSelection(1, 0);
        autosave.SaveNow();
        if (untilSafe)
            autosave.Flush();
        state.PauseTiming();
        autosave.Flush();
        state.ResumeTiming();
    }
    autosave.RemoveSlot();
}

// What 100 rotation steps on that card add to the heap, in MiB.
void BM_HistoryMemory_100RotationSteps(benchmark::State& state)
{
    for (auto _ : state) {
        CardWith24MPPhoto card;
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 100; ++i)
            card.RotateStep();
        state.counters["MiB"] = double(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
    }
}

}  // namespace

BENCHMARK(BM_OpenTemplateDialog_20Templates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyTemplate_1800x1200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenPhoto_UntilShown, 12MPJpeg, PhotoJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenPhoto_UntilShown, 12MPHeic, PhotoHeic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenPhoto_UntilShown, 12MPWebp, PhotoWebp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndSaveJpeg_3000x2000Card)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveCard_Ten24MPPhotos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCard_Ten24MPPhotos_UntilShown)->Unit(benchmark::kMillisecond);
// {0: the user-interface thread's share, 1: until the card is safe on disk} x photos.
BENCHMARK(BM_Autosave_24MPPhotos)->ArgsProduct({{0, 1}, {1, 10}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorKeystroke_1000x700Card)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextBarChange_40CharText)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorKeystroke_ThreeLinesOutlineShadow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextBarChange_ThreeLinesOutlineShadow)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoRotation_24MPPhoto)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryMemory_100RotationSteps)->Iterations(1)->Unit(benchmark::kMillisecond);
