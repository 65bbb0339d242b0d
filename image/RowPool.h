// Spreads the rows of a picture transform over the processor's cores. The
// transforms compute every destination row on its own, so their results do
// not depend on how the rows are split or on which thread runs which band.
#pragma once

#include <cstdint>
#include <functional>

namespace pximage {

// Calls body(first, end) for consecutive bands of rows that together cover
// [0, rows) once, on the calling thread and on the shared pool's workers,
// and returns when every band is done. The pool starts on first use with one
// worker fewer than std::thread::hardware_concurrency() (or LimitRowPool's
// cap); the calling thread is the last. Any number of threads may call this at once, a body included:
// a caller works through its own bands when the workers are busy, so it
// never waits on bands nobody has started. An exception from a band reaches
// the caller once all bands have finished.
void ForEachRowBand(std::int32_t rows, const std::function<void(std::int32_t first, std::int32_t end)>& body);

// The threads ForEachRowBand uses, the calling one included.
unsigned RowPoolThreads();

// Caps the pool at this many threads (at least 1), the calling one
// included, for a process that shares the machine with others of its kind.
// It must come before the pool's first use: false, and no change, once the
// pool has started.
bool LimitRowPool(unsigned threads);

// Whether a transform the caller lets use all cores has enough work (pixels
// read, counting each tap) for the split to pay for waking the workers.
inline bool SplitPays(bool allCores, std::int64_t work)
{
    constexpr std::int64_t kMinSplitWork = std::int64_t(1) << 18;
    return allCores && work >= kMinSplitWork;
}

// body(0, rows) on this thread, or ForEachRowBand when `split`.
inline void RunRowBands(std::int32_t rows, bool split, const std::function<void(std::int32_t, std::int32_t)>& body)
{
    if (split)
        ForEachRowBand(rows, body);
    else
        body(0, rows);
}

}  // namespace pximage
