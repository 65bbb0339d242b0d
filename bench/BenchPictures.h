// Pictures, fonts and template folders the benchmarks share.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/WorkArea.h"

namespace benchpictures {

// Every byte random: the worst case for any codec or filter.
inline PxImage Noise(std::uint32_t width, std::uint32_t height)
{
    PxImage image(width, height, 24, 0);
    std::mt19937 rng(1);
    for (std::uint32_t i = 0; i < image.header.biSizeImage; ++i)
        image.GetBits()[i] = std::uint8_t(rng() >> 11);
    return image;
}

// Smooth gradients with a little grain: compresses like a photo, not like noise.
inline PxImage PhotoLike(std::uint32_t width, std::uint32_t height)
{
    PxImage image(width, height, 24, 0);
    std::mt19937 rng(7);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = image.GetBits(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const int grain = int(rng() % 17) - 8;
            row[3 * x] = std::uint8_t(std::clamp(int((x + y) / 28 % 256) + grain, 0, 255));
            row[3 * x + 1] = std::uint8_t(std::clamp(int(y * 255 / height) + grain, 0, 255));
            row[3 * x + 2] = std::uint8_t(std::clamp(int(x * 255 / width) + grain, 0, 255));
        }
    }
    image.SetJpegQuality(90);
    return image;
}

inline LOGFONTW Arial(LONG height)
{
    LOGFONTW font{};
    font.lfHeight = height;
    std::u16string_view(u"Arial").copy(font.lfFaceName, LF_FACESIZE - 1);
    return font;
}

// Where the benchmarks leave the files other programs are timed on.
inline std::filesystem::path BenchFolder()
{
    const char* folder = std::getenv("ORVANTIS_BENCH_DIR");
    return folder ? folder : "/tmp/orvantis-bench";
}

// A template folder, removed again at the end, holding a noise frame of
// `source` pixels with a transparent window over its middle half, and a
// thumb.jpg. By default the folder is a fresh one in the temporary folder.
class FrameTemplateFolder {
public:
    explicit FrameTemplateFolder(SIZE source, std::filesystem::path folder = {})
        : m_path(folder.empty() ? std::filesystem::temp_directory_path() /
                                      ("orvantis-bench-" + std::to_string(::getpid()) + "-" +
                                       std::to_string(source.cx) + "x" + std::to_string(source.cy))
                                : std::move(folder))
    {
        const auto width = std::uint32_t(source.cx), height = std::uint32_t(source.cy);
        PxImage mask(width, height, 24, 0);
        mask.Clear(255);
        for (std::uint32_t y = height / 4; y < height * 3 / 4; ++y)
            std::memset(mask.GetBits(y) + 3 * (width / 4), 0, 3 * (width / 2));
        ImageEx frame(Noise(width, height), mask);
        frame.SetSize(source);
        frame.m_nKind = ELEMENT_TEMPLATE_FRAME;
        std::filesystem::create_directories(m_path);
        WorkArea::WriteTemplateFile({&frame}, m_path / "this.tpl");
        PhotoLike(100, 70).Save(m_path / "thumb.jpg", FormatJpg);
    }
    ~FrameTemplateFolder() { std::filesystem::remove_all(m_path); }
    FrameTemplateFolder(const FrameTemplateFolder&) = delete;
    FrameTemplateFolder& operator=(const FrameTemplateFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace benchpictures
