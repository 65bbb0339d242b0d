#include "platform/PixelMemory.h"

#include <mutex>
#include <unordered_map>

#include <sys/mman.h>

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

// The blocks mapped on their own and their lengths: FreePixels gives those
// back to the kernel, any other block to the heap. Never destroyed, so a
// picture freed by a static object's destructor still finds it.
struct MappedBlocks {
    std::mutex lock;
    std::unordered_map<void*, std::size_t> lengths;
};

MappedBlocks& Mapped()
{
    static MappedBlocks& blocks = *new MappedBlocks;
    return blocks;
}

// Whole large pages from a large page's boundary; fresh mappings are zero.
void* MappedBlock(std::size_t bytes)
{
    const std::size_t length = (bytes + kLargePage - 1) & ~(kLargePage - 1);
    // A large page more than needed, to find the boundary in; the rest goes back.
    void* region = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED)
        return nullptr;
    auto* const first = static_cast<char*>(region);
    auto* const start = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(first) + kLargePage - 1) &
                                                ~std::uintptr_t(kLargePage - 1));
    if (start > first)
        ::munmap(first, std::size_t(start - first));
    ::munmap(start + length, std::size_t(first + kLargePage - start));
    // Where the kernel offers no large pages the advice is refused and the
    // block stays as it is.
    ::madvise(start, length, MADV_HUGEPAGE);
    try {
        const std::lock_guard guard(Mapped().lock);
        Mapped().lengths.emplace(start, length);
    } catch (const std::bad_alloc&) {
        ::munmap(start, length);
        return nullptr;
    }
    return start;
}

}  // namespace

void* AllocatePixels(std::size_t bytes, bool zeroed)
{
    if (bytes >= kLargePage && bytes <= std::size_t(-1) - 2 * kLargePage)
        return MappedBlock(bytes);
    return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

void PrepareForWriting(void* data, std::size_t bytes)
{
    // Small blocks are not worth the calls.
    constexpr std::size_t kWorthIt = std::size_t(1) << 20;
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < kWorthIt)
        return;
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(data) & ~(kPage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes + kPage - 1) & ~(kPage - 1);
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // Refused by kernels before 5.14: the pages then come as they are written.
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#endif
}

void FreePixels(void* block) noexcept
{
    if (!block)
        return;
    std::size_t length = 0;
    {
        const std::lock_guard guard(Mapped().lock);
        const auto found = Mapped().lengths.find(block);
        if (found != Mapped().lengths.end()) {
            length = found->second;
            Mapped().lengths.erase(found);
        }
    }
    if (length)
        ::munmap(block, length);
    else
        std::free(block);
}
