#include "platform/PixelMemory.h"

#include <sys/mman.h>

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

// The large pages are asked for the whole large pages the block spans.
// Where the kernel offers none the advice is refused and the block stays as
// it is.
void AdviseLargePages(void* block, std::size_t bytes)
{
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

void* AllocatePixels(std::size_t bytes, bool zeroed)
{
    void* block = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (block)
        AdviseLargePages(block, bytes);
    return block;
}
