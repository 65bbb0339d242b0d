// Paints a library design: the frame picture (backdrop, decorations, the
// mat round each photo window, border) and its grey mask (255 where the frame
// shows, 0 in the windows, with a soft shadow the mat casts on the photo).
#pragma once

#include <QImage>
#include <vector>

#include "tools/LibraryDesigns.h"

struct TemplateArt {
    QImage frame;  // RGB32
    QImage mask;   // Grayscale8, the frame's size
};

// Ornaments keep clear of the windows and of the given text boxes. The same
// design and boxes always give the same pictures.
TemplateArt PaintTemplate(const Design& design, const std::vector<QRectF>& textBoxes);
