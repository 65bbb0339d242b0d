// The memory one input may cost: the heap bytes it holds at its peak, on
// top of what was live when it started, must stay within 512 MiB. The
// process's resident size (libFuzzer's -rss_limit_mb) also counts freed
// memory the allocator keeps for reuse, which grows over a long run with
// the mix of sizes the inputs ask for; this counts what is live, through
// the sanitizer allocator's hooks. Without a sanitizer runtime (coverage
// builds) nothing is counted.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/ImageSize.h"

extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                              void (*)(const volatile void*)) __attribute__((weak));
std::size_t __sanitizer_get_allocated_size(const volatile void*) __attribute__((weak));
}

namespace fuzzsupport {

constexpr std::int64_t kInputMemoryLimit = std::int64_t(512) << 20;

inline std::atomic<std::int64_t> g_liveBytes{0};
inline std::atomic<std::int64_t> g_peakBytes{0};

inline void CountMalloc(const volatile void*, std::size_t size)
{
    const std::int64_t live = g_liveBytes.fetch_add(std::int64_t(size), std::memory_order_relaxed) + std::int64_t(size);
    std::int64_t peak = g_peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
}

inline void CountFree(const volatile void* pointer)
{
    if (pointer)
        g_liveBytes.fetch_sub(std::int64_t(__sanitizer_get_allocated_size(pointer)), std::memory_order_relaxed);
}

// The harness opens pictures of at most 16 megapixels (64 MiB of decoder
// memory), far below what the program opens: the large sizes cost time and
// memory without reaching other code, and would exceed the input's limit.
constexpr std::uint64_t kHarnessPixelLimit = 16000000;
inline const bool g_harnessLimitSet = (pximage::SetDecodePixelLimit(kHarnessPixelLimit), true);

inline const bool g_hooksInstalled = __sanitizer_install_malloc_and_free_hooks && __sanitizer_get_allocated_size &&
                                     __sanitizer_install_malloc_and_free_hooks(CountMalloc, CountFree) != 0;

// Put at the top of LLVMFuzzerTestOneInput: aborts, with the input written
// out as a crash, when the input's peak exceeded the limit.
class InputMemoryBound {
public:
    InputMemoryBound() : m_start(g_liveBytes.load(std::memory_order_relaxed))
    {
        g_peakBytes.store(m_start, std::memory_order_relaxed);
    }
    InputMemoryBound(const InputMemoryBound&) = delete;
    InputMemoryBound& operator=(const InputMemoryBound&) = delete;
    ~InputMemoryBound()
    {
        const std::int64_t used = g_peakBytes.load(std::memory_order_relaxed) - m_start;
        if (used > kInputMemoryLimit) {
            std::fprintf(stderr, "fuzz: one input held %lld MiB of heap at its peak (limit %lld MiB)\n",
                         static_cast<long long>(used >> 20), static_cast<long long>(kInputMemoryLimit >> 20));
            std::abort();
        }
    }

private:
    std::int64_t m_start;
};

}  // namespace fuzzsupport
