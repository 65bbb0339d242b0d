// The card at the full resolution of the frame's source picture, for saving:
// every element drawn at that scale from the high-quality resampler, on
// white, without the selection outline.
#pragma once

#include "model/WorkArea.h"

// A new 24-bit DIB section of GetCardImageSize that the caller frees with
// DeleteObject; null without a frame or when memory runs out. Shown at 100%,
// the card's own elements are rebuilt in high quality (their quality flag is
// low again afterwards); at any other scale only rescaled clones are drawn.
HBITMAP RenderCardBitmap(WorkArea& card);

// The card reduced to at most maxSide pixels each way (never enlarged), from
// copies of its elements with the fast resampler: a preview that leaves the
// card untouched. Null when it cannot be made.
HBITMAP RenderCardPreview(const WorkArea& card, LONG maxSide);
