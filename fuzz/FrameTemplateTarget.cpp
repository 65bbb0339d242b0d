// fuzz_frame_template: the input is a picture in any format the image core
// reads. It goes the way New Template from Picture takes a frame picture:
// decoded, made a template (mask from its transparency, windows found),
// written into a scratch template folder (this.tpl and thumb.jpg, replacing
// the last input's), read back as the program applies a template, and
// drawn onto a white canvas the size of the frame.
//
// Pictures are held to a megapixel (kHarnessPixels), where the program reads
// 500 and makes cards of 64: larger ones only take longer to encode.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "fuzz/DrawCard.h"
#include "fuzz/MemoryBound.h"
#include "image/ImageSize.h"
#include "image/PxImage.h"
#include "model/FrameTemplate.h"
#include "model/TemplateStore.h"
#include "model/WorkArea.h"
#include "platform/Gdi.h"

namespace {

std::filesystem::path g_root;

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_root, ignored);
}

constexpr std::uint64_t kHarnessPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    pximage::SetDecodePixelLimit(kHarnessPixels);
    char pattern[] = "/tmp/orvantis-fuzz-frame-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("fuzz_frame_template: mkdtemp");
        std::abort();
    }
    g_root = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    if (size > std::size_t(std::numeric_limits<std::int32_t>::max()))
        return 0;
    PxImage picture;
    if (!picture.Decode(data, std::int32_t(size), FormatUnknown))
        return 0;
    std::string why;
    const std::unique_ptr<WorkArea> made = TemplateFromPicture(picture, why);
    if (!made)
        return 0;
    const TemplateWriteResult written = WriteNewTemplate(*made, g_root, "Fuzz", "Frame", true);
    if (!written.Succeeded()) {
        std::fprintf(stderr, "fuzz_frame_template: %s\n", written.message.c_str());
        std::abort();
    }
    WorkArea card;
    if (!card.LoadTemplate(written.folder)) {
        std::fprintf(stderr, "fuzz_frame_template: the written template does not read back\n");
        std::abort();
    }
    fuzzsupport::DrawCard(card);
    return 0;
}
