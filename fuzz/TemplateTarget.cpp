// fuzz_template: the input is a this.tpl. It is loaded into a work area as
// the program opens a template (the record list read, the template's
// elements taken over), and every element is drawn onto a white 24-bit
// canvas the size of the frame. Then the card is scaled as the program fits
// it to its view (every element resized, texts refitted to their boxes), to
// half and to double the frame's size, and drawn again each time.
//
// The harness keeps each input cheap with limits of its own, far below the
// program's: smaller pictures and fonts (fuzz/QtHarness.h) and a smaller
// doubled card (kMaxDoubledFramePixels). What they cut costs time without
// reaching other code.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/DrawCard.h"
#include "fuzz/MemoryBound.h"
#include "fuzz/QtHarness.h"
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // TextEx measures and draws through QtGui's fonts.
    fuzzsupport::StartQtHarness(argc, argv);
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
