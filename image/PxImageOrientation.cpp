// PxImage: turning a photo upright by its Exif orientation. Each value names
// where the stored row 0 and column 0 lie in the view: 2 top and right,
// 3 bottom and right, 4 bottom and left, 5 left and top, 6 right and top,
// 7 right and bottom, 8 left and bottom. Undoing that takes one or two of the
// exact transforms (a transpose is a quarter turn and a mirror).
#include "image/PxImage.h"

bool PxImage::TurnUpright()
{
    if (!dib)
        return false;
    // Two-step turns build the result apart, so that a failure in the second
    // step (memory) leaves the picture and its recorded orientation as they were.
    PxImage turned;
    bool done = true;
    switch (info.exifOrientation) {
    case 2: done = Mirror(); break;
    case 3: done = Rotate180(); break;
    case 4: done = Flip(); break;
    case 5: done = RotateRight(&turned) && turned.Mirror() && Transfer(turned); break;
    case 6: done = RotateRight(); break;
    case 7: done = RotateLeft(&turned) && turned.Mirror() && Transfer(turned); break;
    case 8: done = RotateLeft(); break;
    default: break;
    }
    if (done)
        info.exifOrientation = 1;
    return done;
}
