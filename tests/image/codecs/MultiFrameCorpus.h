// The corpus tables of the multi-frame formats (tests/data/gif, tests/data/ico,
// written by tools/corpus/framecorpus.py): one row per frame with the frame
// count, size, depth and the hash of what a viewer shows, or an error text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/PxImage.h"
#include "tests/image/ImageHash.h"

namespace corpus {

struct FrameRow {
    std::string file;
    std::int32_t frame = 0;
    std::int32_t frames = 0;
    std::uint32_t width = 0, height = 0, bpp = 0;
    std::string hashOrError;  // 16 hex digits, or the decoder's error text
    bool IsError() const { return width == 0; }
};

inline std::string DataDir(const std::string& format)
{
    return std::string(ORVANTIS_TEST_DATA) + "/" + format + "/";
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<FrameRow> ReadFrameRows(const std::string& format)
{
    std::vector<FrameRow> rows;
    std::ifstream in(DataDir(format) + "expected.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        FrameRow row;
        std::string frame, frames, width, height, bpp;
        std::getline(fields, row.file, '\t');
        std::getline(fields, frame, '\t');
        std::getline(fields, frames, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, bpp, '\t');
        std::getline(fields, row.hashOrError);
        row.frame = std::stoi(frame);
        row.frames = std::stoi(frames);
        row.width = std::uint32_t(std::stoul(width));
        row.height = std::uint32_t(std::stoul(height));
        row.bpp = std::uint32_t(std::stoul(bpp));
        rows.push_back(row);
    }
    return rows;
}

// The corpus hash of what a viewer shows: every transparent pixel (by
// transparent index or colour, or alpha 0) as (0, 0, 0, 0), the others with
// their colour and alpha.
inline std::string ViewerHash(const PxImage& image)
{
    PxImage shown(image.GetWidth(), image.GetHeight(), 24, 0);
    shown.AlphaCreate();
    for (std::int32_t y = 0; y < std::int32_t(image.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const bool clear = image.IsTransparent(x, y);
            shown.SetPixelColor(x, y, clear ? RGBQUAD{} : image.GetPixelColor(x, y, false));
            shown.AlphaSet(x, y, clear ? 0 : image.AlphaIsValid() ? image.AlphaGet(x, y) : 255);
        }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(testimages::PixelHash(shown)));
    return text;
}

// Lengths at which a corpus file is cut for the truncation sweeps: every
// length of a small file, 64 evenly spaced ones of a larger file.
inline std::vector<std::size_t> CutLengths(std::size_t size)
{
    std::vector<std::size_t> cuts;
    const std::size_t step = size <= 2048 ? 1 : size / 64;
    for (std::size_t length = 0; length < size; length += step)
        cuts.push_back(length);
    return cuts;
}

}  // namespace corpus
