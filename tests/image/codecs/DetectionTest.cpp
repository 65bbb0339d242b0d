// Decoding by content across the real codecs: every format the program
// writes must be recognised by id 0 as itself, in the try-all order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "image/PxImage.h"
#include "tests/image/TestImages.h"

namespace {

struct Written {
    std::uint32_t format;
    std::uint32_t bpp;
};

class Detection : public testing::TestWithParam<Written> {
protected:
    // A 21 x 13 picture without transparency, written in the format.
    static std::vector<std::uint8_t> Encoded(const Written& w)
    {
        PxImage picture = testimages::Random(21, 13, w.bpp, false, 5);
        // WBMP and PGX hold grey pictures only.
        if (w.format == FormatWbmp || w.format == FormatPgx)
            testimages::SetGreyPalette(picture);
        std::uint8_t* data = nullptr;
        std::int32_t length = 0;
        EXPECT_TRUE(picture.Encode(data, length, w.format)) << picture.GetLastError();
        std::vector<std::uint8_t> bytes(data, data + length);
        std::free(data);
        return bytes;
    }
};

TEST_P(Detection, EncodedFileIsRecognisedAsItself)
{
    const Written w = GetParam();
    const std::vector<std::uint8_t> bytes = Encoded(w);
    PxImage decoded;
    ASSERT_TRUE(decoded.Decode(bytes.data(), std::int32_t(bytes.size()), FormatUnknown)) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetType(), w.format);
    EXPECT_EQ(decoded.GetWidth(), 21u);
    EXPECT_EQ(decoded.GetHeight(), 13u);
}

// A picture reused for file after file (as a preview is) must not keep the
// transparent index, colour or palette alpha of the file before.
TEST_P(Detection, DecodingIntoAUsedPictureForgetsItsTransparency)
{
    const Written w = GetParam();
    const std::vector<std::uint8_t> bytes = Encoded(w);
    for (std::uint32_t asked : {w.format, std::uint32_t(FormatUnknown)}) {
        PxImage used = testimages::Random(4, 4, 8, false, 6);
        used.SetTransIndex(3);
        used.SetTransColor({1, 2, 3, 0});
        used.info.alphaPaletteEnabled = true;
        ASSERT_TRUE(used.Decode(bytes.data(), std::int32_t(bytes.size()), asked)) << used.GetLastError();
        EXPECT_EQ(used.GetTransIndex(), -1) << "asked as " << asked;
        EXPECT_EQ(used.info.transColor, (RGBQUAD{})) << "asked as " << asked;
        EXPECT_FALSE(used.info.alphaPaletteEnabled) << "asked as " << asked;
    }
}

INSTANTIATE_TEST_SUITE_P(AllWriters, Detection,
                         testing::Values(Written{FormatBmp, 24}, Written{FormatGif, 8}, Written{FormatJpg, 24},
                                         Written{FormatPng, 24}, Written{FormatIco, 8}, Written{FormatTif, 24},
                                         Written{FormatTga, 24}, Written{FormatPcx, 8}, Written{FormatWbmp, 1},
                                         Written{FormatJp2, 24}, Written{FormatJpc, 24}, Written{FormatPgx, 8},
                                         Written{FormatPnm, 24}, Written{FormatRas, 24}),
                         [](const auto& info) { return "format" + std::to_string(info.param.format); });

TEST(Detection, JpegStreamAskedForAsBmp)
{
    PxImage picture = testimages::Random(16, 8, 24, false, 6);
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    ASSERT_TRUE(picture.Encode(data, length, FormatJpg));
    PxImage asBmp;
    EXPECT_FALSE(asBmp.Decode(data, length, FormatBmp));
    EXPECT_STREQ(asBmp.GetLastError(), "Error reading BMP info");
    PxImage byContent;
    EXPECT_TRUE(byContent.Decode(data, length, FormatUnknown));
    EXPECT_EQ(byContent.GetType(), FormatJpg);
    std::free(data);
}

}  // namespace
