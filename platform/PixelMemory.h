// Memory for pixels: blocks the kernel backs with large pages where it can.
// A photo of tens of megabytes, or a back buffer of a few, is otherwise
// faulted in four kilobytes at a time when it is first written, which costs
// as much as a good part of decoding or composing it; with 2 MiB pages the
// same memory takes a few dozen faults. A block of a large page or more is
// mapped on its own, in whole large pages from a large page's boundary:
// the kernel can back all of it with them, not only the part of a heap
// block that happens to span whole ones (which left a 6 MB picture two
// megabytes in four-kilobyte pages, costing as much as the rest together).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

// A block that FreePixels frees, zeroed when zeroed is true; null when the
// memory cannot be had.
void* AllocatePixels(std::size_t bytes, bool zeroed);
// Frees a block of AllocatePixels; null is nothing to free.
void FreePixels(void* block) noexcept;

// Has the memory of [data, data + bytes), part of a block of any allocator
// that is about to be written whole (a file's bytes read into a vector), at
// once: large pages where whole ones fit, the rest in one call rather than a
// fault for every four kilobytes as it is first written. What it holds stays.
void PrepareForWriting(void* data, std::size_t bytes);

// The allocator of pixel vectors. Its blocks come zeroed (fresh memory from
// the kernel costs no clearing), so a vector sized by resize() or by its
// size constructor holds zeros without writing them. A vector that shrinks
// and grows again keeps what it held in the regrown part; pixel vectors are
// sized once.
template <class T>
class PixelAllocator {
public:
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept {}
    T* allocate(std::size_t count)
    {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        void* block = AllocatePixels(count * sizeof(T), true);
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t) noexcept { FreePixels(block); }
    template <class U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U;  // left as allocated: zero
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const PixelAllocator<U>&) const noexcept { return true; }
};

using PixelBytes = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;
