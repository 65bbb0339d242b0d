// The transparent windows of a card's frame, found from its mask, and a
// photo fitted to cover one of them.
#pragma once

#include <vector>

#include "platform/WinRecords.h"

class ImageEx;

// Every connected region (side by side, not corner to corner) of transparent
// mask pixels (below half) that the frame's edge does not cut, as its
// bounding box on the card as shown (right and bottom exclusive), in reading
// order of their first pixels. None for a frame without a mask.
std::vector<RECT> FindFrameWindows(const ImageEx& frame);

// The window that holds the point, else the largest; null when there is none.
const RECT* WindowFor(const std::vector<RECT>& windows, POINT at);

// Sizes the photo, its proportions kept, to the smallest size at which the
// picture itself (turned as it is) covers the window, and centres it on the
// window's centre.
void FitPhotoToWindow(ImageEx& photo, const RECT& window);
