// The card on screen as pixels: the card layer (white, every element in
// list order, the selection outline) on a client-sized back buffer hatched
// in grey. The widget shows the back buffer; nothing here needs a window.
#pragma once

#include <memory>

#include "model/TrackerEx.h"
#include "model/WorkArea.h"
#include "platform/MemoryCanvas.h"

// A new back buffer of the client size with the card at the work area's
// origin; null when the back buffer cannot be made. Without a frame (or
// when the card layer cannot be made) it holds the hatch alone. The
// selection's handles are squares of handleSize pixels.
std::unique_ptr<MemoryCanvas> ComposeCard(WorkArea& card, LONG clientWidth, LONG clientHeight,
                                          LONG handleSize = CTrackerEx::HANDLE_SIZE);
