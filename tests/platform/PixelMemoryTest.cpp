#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/PixelMemory.h"

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

// A block of a large page or more starts on a large page's boundary, so that
// the kernel can back all of it with large pages; every block comes zeroed
// when asked, holds what is written to the last byte, and goes back through
// FreePixels whichever way it was had.
TEST(PixelMemory, LargeBlocksStartOnALargePageAndAllComeZeroed)
{
    for (const std::size_t bytes : {std::size_t(1000), kLargePage - 1, kLargePage, 3 * kLargePage + 17}) {
        SCOPED_TRACE(bytes);
        auto* block = static_cast<std::uint8_t*>(AllocatePixels(bytes, true));
        ASSERT_NE(block, nullptr);
        if (bytes >= kLargePage) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kLargePage, 0u);
        }
        EXPECT_TRUE(std::all_of(block, block + bytes, [](std::uint8_t b) { return b == 0; }));
        std::memset(block, 0xA5, bytes);
        EXPECT_EQ(block[bytes - 1], 0xA5);
        FreePixels(block);
    }
    FreePixels(nullptr);
}

// Preparing memory for writing leaves what it holds as it was.
TEST(PixelMemory, MemoryPreparedForWritingKeepsItsBytes)
{
    PixelBytes bytes(3 * kLargePage);
    for (std::size_t i = 0; i < bytes.size(); i += 4093)
        bytes[i] = std::uint8_t(i);
    PrepareForWriting(bytes.data() + 5, bytes.size() - 10);
    for (std::size_t i = 0; i < bytes.size(); i += 4093)
        ASSERT_EQ(bytes[i], std::uint8_t(i)) << i;
}

}  // namespace
