// The card on screen as pixels: the card layer (white, every element in
// list order, the selection outline) on a client-sized back buffer hatched
// in grey. The widget shows the back buffer; nothing here needs a window.
#pragma once

#include <memory>

#include "model/TrackerEx.h"
#include "model/WorkArea.h"
#include "platform/MemoryCanvas.h"

// The pixels a composition is made in, kept to be written again: a view
// composes the card at every step of a drag, and on a scaled screen a fresh
// back buffer and card layer are some 20 MB to allocate and clear each time.
struct CardCanvases {
    std::unique_ptr<MemoryCanvas> backBuffer;
    std::unique_ptr<MemoryCanvas> layer;
};

// The card composed into the canvases (each made anew only when its size
// changes), the back buffer of the client size with the card at the work
// area's origin; null when the back buffer cannot be made. Without a frame
// (or when the card layer cannot be made) it holds the hatch alone. The
// selection's handles are squares of handleSize pixels.
const MemoryCanvas* ComposeCard(WorkArea& card, SIZE client, LONG handleSize, CardCanvases& canvases);

// The same in a new back buffer of its own.
std::unique_ptr<MemoryCanvas> ComposeCard(WorkArea& card, LONG clientWidth, LONG clientHeight,
                                          LONG handleSize = CTrackerEx::HANDLE_SIZE);
