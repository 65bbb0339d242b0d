// Fitting a font to a box, one field at a time (see TextEx::SetSize).
#pragma once

#include <algorithm>

#include "platform/WinRecords.h"

// Where the fitting's walk over one font field (its magnitude, 0 to cap)
// ends: from start it steps the field up while the extent is short of the
// target, then down while the extent is over it, never below 1 once it has
// moved and never above cap, where the text layer stops growing. Extents
// grow with the field, so doubling steps and a bisection find that end in
// at most 2 log2(cap) + 3 measurements, where the walk takes one per unit.
template <class Extent>
LONG FitFontField(LONG start, LONG cap, LONG target, Extent extent)
{
    const LONG atStart = extent(start);
    if (atStart < target) {
        // The first value whose extent reaches the target lies in (low, high].
        LONG low = start, high = 0, highExtent = 0;
        for (LONG step = 1; high == 0; step *= 2) {
            if (low >= cap)
                return cap;
            const LONG probe = std::min(cap, low + step);
            const LONG e = extent(probe);
            if (e < target) {
                low = probe;
            } else {
                high = probe;
                highExtent = e;
            }
        }
        while (high - low > 1) {
            const LONG middle = low + (high - low) / 2;
            const LONG e = extent(middle);
            if (e < target) {
                low = middle;
            } else {
                high = middle;
                highExtent = e;
            }
        }
        return highExtent == target ? high : std::max<LONG>(low, 1);
    }
    if (atStart > target) {
        // The last value whose extent is within the target lies in [low, high).
        LONG high = start, low = 0;
        for (LONG step = 1; low == 0; step *= 2) {
            if (high <= 1)
                return 1;
            const LONG probe = std::max<LONG>(1, high - step);
            if (extent(probe) > target)
                high = probe;
            else
                low = probe;
        }
        while (high - low > 1) {
            const LONG middle = low + (high - low) / 2;
            (extent(middle) > target ? high : low) = middle;
        }
        return low;
    }
    return start;
}
