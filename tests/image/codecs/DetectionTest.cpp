// Decoding by content across the real codecs: every format the program
// writes must be recognised by id 0 as itself, in the try-all order.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/PxImage.h"
#include "tests/image/TestImages.h"

namespace {

struct Written {
    std::uint32_t format;
    std::uint32_t bpp;
};

class Detection : public testing::TestWithParam<Written> {};

TEST_P(Detection, EncodedFileIsRecognisedAsItself)
{
    const Written w = GetParam();
    PxImage picture = testimages::Random(21, 13, w.bpp, false, 5);
    // WBMP and PGX hold grey pictures only.
    if (w.format == FormatWbmp || w.format == FormatPgx)
        testimages::SetGreyPalette(picture);
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    ASSERT_TRUE(picture.Encode(data, length, w.format)) << picture.GetLastError();
    PxImage decoded;
    const bool ok = decoded.Decode(data, length, FormatUnknown);
    std::free(data);
    ASSERT_TRUE(ok) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetType(), w.format);
    EXPECT_EQ(decoded.GetWidth(), 21u);
    EXPECT_EQ(decoded.GetHeight(), 13u);
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
