// fuzz_template: the input is a this.tpl. It is read as a record list, then
// loaded into a work area as the program opens a template, and every element
// is drawn onto a white 24-bit canvas the size of the frame. Then the card is
// scaled as the program fits it to its view (every element resized, texts
// refitted to their boxes), to half and to double the frame's size, and
// drawn again each time.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QGuiApplication>

#include "fuzz/MemoryBound.h"
#include "model/WorkArea.h"
#include "platform/Gdi.h"

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

void DrawCard(const WorkArea& card)
{
    const SIZE frame = card.GetFrameSize();
    if (frame.cx <= 0 || frame.cy <= 0)
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(nullptr, frame.cx, frame.cy);
    if (dc && canvas) {
        HGDIOBJ previous = SelectObject(dc, canvas);
        std::fill(canvas->pixels.begin(), canvas->pixels.end(), 0xFF);
        for (const auto& element : card.GetElements())
            element->Draw(dc);
        SelectObject(dc, previous);
    }
    DeleteObject(canvas);
    DeleteDC(dc);
}

// The doubled card is made only while its frame stays within 4096 x 4096
// pixels: the program never shows a frame above its full resolution, and a
// larger one would cost more than the input's memory bound for its working
// pictures and canvas alone.
constexpr std::uint64_t kMaxDoubledFramePixels = 4096 * 4096;

void ScaleAndDraw(WorkArea& card)
{
    const SIZE loaded = card.GetFrameSize();
    card.ScaleAll({loaded.cx / 2, loaded.cy / 2});
    DrawCard(card);
    // A frame's size is its working picture's: never negative.
    if (4 * std::uint64_t(loaded.cx) * std::uint64_t(loaded.cy) <= kMaxDoubledFramePixels) {
        card.ScaleAll({2 * loaded.cx, 2 * loaded.cy});
        DrawCard(card);
    }
}

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
    WorkArea::ElementList records;
    WorkArea::ReadTemplateFile(records, g_folder / "this.tpl");
    records.clear();

    WorkArea card;
    if (card.LoadTemplate(g_folder)) {
        DrawCard(card);
        ScaleAndDraw(card);
    }
    return 0;
}
