// Glyphs a font draws in colour (emoji): which texts have them, and how a
// line with them is drawn. The other glyphs of such a line keep the text's
// colour; a line without them never comes here and draws as it always did.
#pragma once

#include <QImage>
#include <QPointF>
#include <QString>

#include "platform/text/TextFont.h"

// Colour glyphs above this em are drawn at it and scaled: Qt keeps every
// colour glyph it draws as an image at its size, 64 MiB for an em of 4096.
// The colour faces' own pictures are smaller than this em anyway.
constexpr int kMaxColourGlyphEm = 256;

// Whether any glyph of the line comes from a face with colour glyphs (colour
// bitmaps, colour layers, SVG or Apple's bitmaps).
bool HasColourGlyphs(const RealisedFont& font, const QString& line);

// Draws a line with its cell's top-left corner at origin into two images of
// the same size: the one-colour glyphs as coverage into coverage (Alpha8),
// the colour glyphs premultiplied into colour (ARGB32, premultiplied).
void DrawLineLayers(QImage& coverage, QImage& colour, const RealisedFont& font, const QString& line, QPointF origin);
