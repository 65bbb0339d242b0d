#include <gtest/gtest.h>

#include "image/codecs/WmfCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/SmallCodecHarness.h"

namespace {

using codectest::Bytes;

// A standard metafile header: disk type, 9 words, version 3.0, then size,
// object count, largest record and parameter count.
const Bytes kMetaHeader = {2, 0, 9, 0, 0, 3, 0x20, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0};

TEST(WmfDecode, RecognisedMetafilesAreRefused)
{
    const Bytes placeable = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10, 0, 0x60, 0, 0, 0, 0, 0, 0, 0};
    Bytes memoryType = kMetaHeader;
    memoryType[0] = 1;
    Bytes version1 = kMetaHeader;
    version1[5] = 1;
    for (Bytes file : {placeable, Bytes(placeable.begin(), placeable.begin() + 4), kMetaHeader, memoryType, version1}) {
        WmfCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), "corrupted WMF");
        EXPECT_FALSE(codec.IsValid());
    }
}

TEST(WmfDecode, OtherDataIsNotAMetafile)
{
    Bytes type3 = kMetaHeader;
    type3[0] = 3;
    Bytes header8 = kMetaHeader;
    header8[2] = 8;
    Bytes version2 = kMetaHeader;
    version2[5] = 2;
    const Bytes shortHeader(kMetaHeader.begin(), kMetaHeader.end() - 1);
    const Bytes bmp = {'B', 'M', 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0, 1, 0};
    for (Bytes file : {Bytes{}, type3, header8, version2, shortHeader, bmp}) {
        WmfCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), "empty WMF");
    }
}

TEST(WmfEncode, NotSupported)
{
    PxImage picture = testimages::Random(4, 4, 24, false, 1);
    std::string error;
    EXPECT_TRUE(codectest::EncodeImage<WmfCodec>(picture, &error).empty());
    EXPECT_EQ(error, "Save WMF not supported");

    WmfCodec empty;
    PxMemFile file;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

}  // namespace
