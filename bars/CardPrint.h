// Printing the card: the full-resolution render at the template's print
// resolution, centred on the page, through the system's print dialog or
// into a PDF file.
#pragma once

#include "platform/Gdi.h"

class CLumivexDoc;
class QPrinter;
class QWidget;

// The dots per inch a card is printed at: its frame picture's resolution when
// that is a print resolution (150 or more), else 300, the resolution the
// templates are drawn for (a 1800 x 1200 card is a 6 x 4 inch print).
int CardPrintResolution(const CLumivexDoc& document);

// Draws the card on one page of the printer, at dpi dots per inch, or smaller
// when it does not fit the page, centred. False when nothing could be printed.
bool PrintCardBitmap(QPrinter& printer, const Bitmap& card, int dpi);

// Renders the card and asks where to print it; false when the user cancelled
// or the card could not be rendered (the reason is shown).
bool PrintCardWithDialog(QWidget* parent, CLumivexDoc& document);
