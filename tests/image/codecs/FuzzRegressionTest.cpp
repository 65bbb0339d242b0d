// The inputs the fuzz targets once failed on (fuzz/regressions/): each
// decoding input gives the outcome its fix decided. The fuzz smoke run
// replays the same files under the sanitizers and resource limits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "image/ColourConvert.h"
#include "image/ImageSize.h"
#include "image/PxImage.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRegressions = ORVANTIS_FUZZ_REGRESSIONS;

struct Row {
    const char* file;      // under fuzz/regressions
    std::uint32_t type;    // the id the target decodes with
    const char* error;     // the refusal; null when the input decodes
};

const Row kRows[] = {
    {"fuzz_decode_bmp/rle_declares_570mb.bmp", FormatBmp,
     "the picture is 67108864 x 17 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_png/splt_length_past_end.png", FormatPng, "Read Error"},
    {"fuzz_decode_jp2/psot_4gb_past_end.jp2", FormatJp2, "Can't allocate memory"},
    {"fuzz_decode_jp2/psot_2_6gb_past_end.jp2", FormatJp2, "Can't allocate memory"},
    {"fuzz_decode_jp2/psot_3_7gb_past_end.jp2", FormatJp2, "Can't allocate memory"},
    {"fuzz_decode_jpc/samples_236m_in_400_bytes.j2k", FormatJpc,
     "the picture is 9 x 5255684 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_jpc/tiles_58k_in_81_bytes.j2k", FormatJpc,
     "decoding the 524297 x 4 JPEG 2000 picture would take more than the 64 MB this program allows"},
    {"fuzz_decode_jpc/tile_part_cut_short.jp2", FormatJpc, nullptr},
    {"fuzz_decode_heif/nclx_unknown_transfer.avif", FormatHeif, nullptr},
    {"fuzz_decode_heif/overlay_canvas_34568x2442.avif", FormatHeif,
     "the picture is 34568 x 2442 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/grid_canvas_34568x2442.avif", FormatHeif,
     "the picture is 34568 x 2442 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/grid_canvas_in_idat_40000x30000.avif", FormatAvif,
     "the picture is 40000 x 30000 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/grid_canvas_read_past_idat_12288x8192.heic", FormatHeif,
     "the picture is 12288 x 8192 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/grid_canvas_location_index_40000x30000.avif", FormatAvif,
     "the picture is 40000 x 30000 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/identity_of_missing_picture.avif", FormatAvif,
     "the AVIF file is damaged: a picture is made from one the file does not hold"},
    {"fuzz_decode_heif/reference_box_size_ignored.avif", FormatAvif,
     "the AVIF file is damaged: a picture is made from one the file does not hold"},
    {"fuzz_decode_heif/second_meta_grid_40000x30000.avif", FormatAvif,
     "the picture is 40000 x 30000 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/location_field_width_7_frame_64899x16385.avif", FormatAvif,
     "the picture is 64899 x 16385 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_heif/av1_frame_64899x16385.avif", FormatHeif,
     "the picture is 64899 x 16385 pixels, more than the 16 megapixels this program opens"},
    {"fuzz_decode_webp/icc_unknown_colour_model.webp", FormatWebp, nullptr},
    {"fuzz_decode_heif/icc_unknown_colour_model.avif", FormatAvif, nullptr},
};

std::vector<std::uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Replayed as the fuzz targets decode them, under the harness's ceiling.
TEST(FuzzRegressions, EachInputGivesTheOutcomeOfItsFix)
{
    pximage::SetDecodePixelLimit(16000000);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.file);
        const std::vector<std::uint8_t> bytes = ReadBytes(kRegressions / row.file);
        ASSERT_FALSE(bytes.empty());
        PxImage image;
        const bool decoded = image.Decode(bytes.data(), std::int32_t(bytes.size()), row.type);
        if (row.error) {
            EXPECT_FALSE(decoded);
            EXPECT_STREQ(image.GetLastError(), row.error);
            EXPECT_FALSE(image.IsValid());
        } else {
            EXPECT_TRUE(decoded) << image.GetLastError();
            // What the file declares of its colours is applied as a photo's is.
            ConvertToSrgb(image);
        }
    }
    pximage::SetDecodePixelLimit(pximage::kMaxDecodedPixels);
}

TEST(FuzzRegressions, CutTilePartDecodesTheSameEveryTime)
{
    // The library used to read the missing part of the tile from memory it
    // never filled: the outcome changed with what earlier decodes had left
    // on the heap, until it read out of bounds. Other pictures decoded in
    // between leave such memory behind.
    const std::vector<std::uint8_t> bytes = ReadBytes(kRegressions / "fuzz_decode_jpc/tile_part_cut_short.jp2");
    ASSERT_FALSE(bytes.empty());
    std::vector<std::vector<std::uint8_t>> others;
    for (const char* name : {"rgb.jp2", "rgb_lossy.jp2", "rgb_tiles.jp2", "rgba.jp2", "grey16.jp2", "sycc420.jp2"})
        others.push_back(ReadBytes(fs::path(ORVANTIS_TEST_DATA) / "jp2" / name));
    std::vector<std::uint8_t> first;
    for (int round = 0; round < 100; ++round) {
        for (const auto& other : others) {
            PxImage image;
            image.Decode(other.data(), std::int32_t(other.size()), FormatJpc);
        }
        PxImage image;
        ASSERT_TRUE(image.Decode(bytes.data(), std::int32_t(bytes.size()), FormatJpc)) << round;
        const std::vector<std::uint8_t> pixels(image.GetBits(), image.GetBits() + image.header.biSizeImage);
        if (round == 0)
            first = pixels;
        ASSERT_EQ(pixels, first) << round;
    }
}

// A reproducer added for a decoding target needs its row above.
TEST(FuzzRegressions, EveryDecodingInputHasARow)
{
    std::set<std::string> listed;
    for (const Row& row : kRows)
        listed.insert(row.file);
    for (const auto& folder : fs::directory_iterator(kRegressions)) {
        if (!folder.is_directory() || folder.path().filename().string().rfind("fuzz_decode_", 0) != 0)
            continue;
        for (const auto& file : fs::directory_iterator(folder.path())) {
            const std::string name = fs::relative(file.path(), kRegressions).generic_string();
            EXPECT_TRUE(listed.count(name)) << name << " has no row in kRows";
        }
    }
}

}  // namespace
