// Fonts realised with the system's fonts through QtGui. A LOGFONTW becomes a
// QFont once, together with the metrics the drawing layer reports, so that
// the card, the measurements and the in-place editor see the same glyphs.
//
// Fonts stop growing at the limits of FontLimits.h (an em of 4096 pixels,
// 40 times the natural width): a loop that grows a font until its extent
// fills a box must stop there.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <memory>

#include "platform/Gdi.h"

struct RealisedFont {
    explicit RealisedFont(const QFont& qtFont);

    QFont font;
    QFontMetricsF metrics;
    int ascent;   // whole pixels: the baseline lies this far below the cell's top
    int descent;
    int lineSpacing;  // from one line's top to the next: the cell and the face's leading
    int Height() const { return ascent + descent; }
};

// What CreateFontIndirectW returns: the LOGFONTW (read back by GetObjectW)
// and its realisation, shared with every other font of the same description.
class TextFont : public Font {
public:
    TextFont(const LOGFONTW& description, std::shared_ptr<const RealisedFont> realised);

    const QFont& QtFont() const { return m_realised->font; }
    const std::shared_ptr<const RealisedFont>& Realised() const { return m_realised; }

private:
    std::shared_ptr<const RealisedFont> m_realised;
};

// The realisation of the font selected into a context: the font's own, one
// made from its LOGFONTW when it was not created here, or a default font for
// null. Null when no QGuiApplication exists.
std::shared_ptr<const RealisedFont> RealisedFontOf(HFONT font);
