// The installed template library as data: every template is one Design row
// naming its size, colours, backdrop, border, decorations, photo windows and
// preset texts. LibraryArt paints a row; MakeLibrary writes it as a template.
#pragma once

#include <QColor>
#include <QRectF>
#include <QSize>
#include <string>
#include <vector>

// 6 x 4 inches at 300 dpi.
inline constexpr QSize kLandscape(1800, 1200);
inline constexpr QSize kPortrait(1200, 1800);

enum class WindowShape { RoundedRect, Oval, Arch, Heart };

struct PhotoWindow {
    WindowShape shape;
    QRectF box;  // card pixels, y downwards
};

enum class Backdrop {
    Vertical,  // paper to paperEdge from top to bottom
    Diagonal,  // from the top-left corner to the bottom-right one
    Radial,    // paper in the middle, paperEdge in the corners
    Stripes,   // vertical soft stripes of the two paper colours
    Dots,      // a radial gradient with a polka-dot pattern in accent
    Grid,      // map squares in accent over a vertical gradient
};

enum class Border {
    None,
    DoubleRule,  // two accent rules with diamonds at the corners
    Flourish,    // one rule with scrolls curling at the corners
    Airmail,     // slanted red and blue bars round the edge
    Stamp,       // a perforated edge round a white inset
};

enum class Decoration {
    Balloons,       // a bunch rising at the card's right
    Bunting,        // pennants on a sagging line across the top
    Confetti,       // scattered pieces in all ornament colours
    Stars,          // scattered five-pointed stars
    Sparkles,       // scattered four-pointed glints
    Hearts,         // scattered hearts
    Snowflakes,     // scattered six-armed flakes
    Baubles,        // ornaments hanging on threads from the top edge
    Holly,          // sprigs of leaves and berries in two corners
    Vines,          // leafy stems climbing the left and right edges
    FallingLeaves,  // scattered leaves turned every way
    Rings,          // two linked rings above the first text, in the accent
    MoonAndStars,   // a crescent at the top right and small stars
    Clouds,         // puffy clouds scattered near the top
    Sun,            // a rayed sun at the top right
    Waves,          // layered swells along the bottom edge, far ones first
    Mountains,      // layered ranges of peaks along the bottom edge
    FlightPath,     // a dashed route below the texts, beside the windows,
                    // ending in a paper plane
};

// An ornament and the colours its pieces take in turn.
struct Ornament {
    Decoration kind;
    std::vector<QColor> colours;
};

struct ColourScheme {
    QColor paper;      // the backdrop's main colour
    QColor paperEdge;  // where the backdrop's gradient ends
    QColor accent;     // rules, borders, window outlines
    QColor bevel;      // the mat's cut edge round each window
};

struct Caption {
    std::u16string text;
    std::u16string face;  // an installed family
    int em;               // character height in card pixels
    bool bold;
    bool italic;
    QColor colour;
    double centreX;  // the text is centred on this column
    double top;
};

struct Design {
    std::string category;  // folder names, as the category box shows them
    std::string name;
    QSize size;
    ColourScheme scheme;
    Backdrop backdrop;
    Border border;
    std::vector<Ornament> ornaments;  // painted in this order
    std::vector<PhotoWindow> windows;
    std::vector<Caption> captions;
};

const std::vector<Design>& LibraryDesigns();
