// fuzz_template: the input is a this.tpl. It is loaded into a work area as
// the program opens a template (the record list read, the template's
// elements taken over), and every element is drawn onto a white 24-bit
// canvas the size of the frame. Then the card is scaled as the program fits
// it to its view (every element resized, texts refitted to their boxes), to
// half and to double the frame's size, and drawn again each time.
//
// The harness keeps each input cheap with limits of its own, far below the
// program's: smaller pictures (kHarnessPixels), smaller fonts
// (kHarnessFontEm) and a smaller doubled card (kMaxDoubledFramePixels). What
// they cut costs time without reaching other code.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <QGuiApplication>

#include "fuzz/DrawCard.h"
#include "fuzz/MemoryBound.h"
#include "model/WorkArea.h"
#include "platform/Gdi.h"
#include "platform/text/FontLimits.h"

namespace {

std::filesystem::path g_folder;

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

bool WriteInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen((g_folder / "this.tpl").c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// The doubled card is made only while its frame stays within 1024 x 1024
// pixels: the program never shows a frame above its full resolution, and
// resampling and drawing larger ones only takes longer (the program allows
// a loaded frame of 4096 x 4096).
constexpr std::uint64_t kMaxDoubledFramePixels = 1024 * 1024;

void ScaleAndDraw(WorkArea& card)
{
    const SIZE loaded = card.GetFrameSize();
    card.ScaleAll({loaded.cx / 2, loaded.cy / 2});
    fuzzsupport::DrawCard(card);
    // A frame's size is its working picture's: never negative.
    if (4 * std::uint64_t(loaded.cx) * std::uint64_t(loaded.cy) <= kMaxDoubledFramePixels) {
        card.ScaleAll({2 * loaded.cx, 2 * loaded.cy});
        fuzzsupport::DrawCard(card);
    }
}

// Frame pictures of at most a megapixel, decoded or made at loading from a
// frame's stored size, where the program opens 500 and makes 16 (the other
// harnesses decode 16): large ones only take longer to decode and resample.
constexpr std::uint64_t kHarnessPixels = 1 << 20;

// Fonts of at most this em, where the program goes to 4096 pixels: every
// size the fitting tries costs a font engine, each glyph drawn an em square
// of Qt's glyph cache, and both grow with the em. The fitting, its limits
// and the glyphs cut by the card's edges are reached the same way at this
// size.
constexpr LONG kHarnessFontEm = 32;

// Qt's warnings about the fonts an input names (missing faces, scripts
// without shaping support) would fill the log; critical and fatal messages
// still reach it.
void KeepSevereQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "qt: %s\n", qPrintable(message));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // TextEx measures and draws through QtGui's fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(KeepSevereQtMessages);
    pximage::SetDecodePixelLimit(kHarnessPixels);
    SetFontEmLimit(kHarnessFontEm);
    static QGuiApplication application(*argc, *argv);
    char pattern[] = "/tmp/orvantis-fuzz-template-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("fuzz_template: mkdtemp");
        std::abort();
    }
    g_folder = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    if (!WriteInput(data, size)) {
        std::perror("fuzz_template: writing this.tpl");
        std::abort();
    }
    WorkArea card;
    if (card.LoadTemplate(g_folder)) {
        fuzzsupport::DrawCard(card);
        ScaleAndDraw(card);
    }
    return 0;
}
