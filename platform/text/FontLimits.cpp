#include "platform/text/FontLimits.h"

#include <atomic>

namespace {

std::atomic<LONG> g_fontEmLimit{kMaxFontEm};

}  // namespace

LONG FontEmLimit()
{
    return g_fontEmLimit.load(std::memory_order_relaxed);
}

void SetFontEmLimit(LONG pixels)
{
    g_fontEmLimit.store(pixels, std::memory_order_relaxed);
}
