#include <gtest/gtest.h>

#include "image/codecs/WmfCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"

namespace {

using codectest::Bytes;

// Standard header: disk type, 9 words, version 3.0, then the size, object
// count, largest record and parameter count.
Bytes MetaHeader(std::uint8_t type = 2, std::uint8_t words = 9, std::uint8_t version = 3)
{
    return {type, 0, words, 0, 0, version, 0x20, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0};
}

TEST(WmfDecode, MetafilesAreRefusedAsCorruptedAndOtherDataAsEmpty)
{
    const Bytes placeableKey = {0xD7, 0xCD, 0xC6, 0x9A};
    Bytes shortHeader = MetaHeader();
    shortHeader.pop_back();
    const std::pair<Bytes, const char*> rows[] = {
        {placeableKey, "corrupted WMF"},        {MetaHeader(), "corrupted WMF"},
        {MetaHeader(1), "corrupted WMF"},       {MetaHeader(2, 9, 1), "corrupted WMF"},
        {{}, "empty WMF"},                      {MetaHeader(3), "empty WMF"},
        {MetaHeader(2, 8), "empty WMF"},        {MetaHeader(2, 9, 2), "empty WMF"},
        {shortHeader, "empty WMF"},             {{'B', 'M', 0x3A, 0, 0, 0}, "empty WMF"},
    };
    for (const auto& [file, error] : rows) {
        WmfCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), error);
        EXPECT_FALSE(codec.IsValid());
    }
}

TEST(WmfEncode, NotSupported)
{
    PxImage picture = testimages::Random(4, 4, 24, false, 1);
    std::string error;
    EXPECT_TRUE(codectest::EncodeBytes<WmfCodec>(picture, &error).empty());
    EXPECT_EQ(error, "Save WMF not supported");
    WmfCodec empty;
    PxMemFile file;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

}  // namespace
