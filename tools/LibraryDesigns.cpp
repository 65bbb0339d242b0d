#include "tools/LibraryDesigns.h"

namespace {

QColor Rgb(QRgb value)
{
    return QColor(value);
}

// Families that the program's font list offers on every installation.
constexpr const char16_t* kSerif = u"DejaVu Serif";
constexpr const char16_t* kSans = u"DejaVu Sans";
constexpr const char16_t* kBook = u"Liberation Serif";
constexpr const char16_t* kPlain = u"Liberation Sans";

constexpr bool kBold = true, kItalic = true, kRegular = false, kUpright = false;

using enum WindowShape;
using enum Backdrop;
using enum Border;
using enum Decoration;

std::vector<Design> BirthdayDesigns()
{
    return {
        {"Birthday", "balloons", kLandscape,
         {Rgb(0xe3f2fd), Rgb(0xfff3e3), Rgb(0xe8505b), Rgb(0xffffff)}, Vertical, None,
         {{Confetti, {Rgb(0xf76c6c), Rgb(0xf9d56e), Rgb(0x14b1ab), Rgb(0x8e6fd8), Rgb(0x4aa3df)}},
          {Balloons, {Rgb(0xf76c6c), Rgb(0xf9c74f), Rgb(0x14b1ab), Rgb(0x8e6fd8), Rgb(0x4aa3df)}}},
         {{RoundedRect, {110, 110, 1100, 760}}},
         {{u"Happy Birthday!", kSerif, 120, kBold, kUpright, Rgb(0xe8505b), 900, 915},
          {u"have a wonderful day", kPlain, 54, kRegular, kItalic, Rgb(0x2f5d8a), 900, 1065}}},
        {"Birthday", "confetti-party", kPortrait,
         {Rgb(0x45337f), Rgb(0x1b1440), Rgb(0xf4c95d), Rgb(0xfff3d6)}, Radial, DoubleRule,
         {{Confetti, {Rgb(0xf4c95d), Rgb(0xff7aa2), Rgb(0x5ad1e6), Rgb(0xffffff), Rgb(0xb8e986)}},
          {Sparkles, {Rgb(0xfff1b8), Rgb(0xffffff)}}},
         {{Oval, {170, 200, 860, 1060}}},
         {{u"Let's Celebrate", kSerif, 100, kBold, kItalic, Rgb(0xf4c95d), 600, 1345},
          {u"another year of wonderful", kPlain, 50, kRegular, kUpright, Rgb(0xffffff), 600, 1495}}},
        {"Birthday", "bunting", kLandscape,
         {Rgb(0xfffaf0), Rgb(0xfcefdc), Rgb(0x8a6a4f), Rgb(0xffffff)}, Stripes, None,
         {{Bunting, {Rgb(0xef6f6c), Rgb(0xf7b267), Rgb(0x7ac7c4), Rgb(0x5a8dee), Rgb(0xc38fdd)}},
          {Stars, {Rgb(0xf7b267), Rgb(0x7ac7c4), Rgb(0xef6f6c)}}},
         {{Arch, {200, 250, 620, 680}}, {Arch, {980, 250, 620, 680}}},
         {{u"Happy Birthday", kBook, 100, kBold, kUpright, Rgb(0xe0575b), 900, 962},
          {u"let the fun begin", kPlain, 46, kRegular, kItalic, Rgb(0x6b5a4a), 900, 1088}}},
        {"Birthday", "make-a-wish", kPortrait,
         {Rgb(0xffe3ec), Rgb(0xffd3ad), Rgb(0xd0587e), Rgb(0xfff8fb)}, Diagonal, Flourish,
         {{Stars, {Rgb(0xffffff), Rgb(0xf6a04d), Rgb(0xffd166)}}, {Sparkles, {Rgb(0xffffff), Rgb(0xd0587e)}}},
         {{RoundedRect, {170, 190, 860, 1120}}},
         {{u"Make a Wish", kSerif, 124, kRegular, kItalic, Rgb(0xc0466d), 600, 1390},
          {u"and blow out the candles", kPlain, 50, kRegular, kUpright, Rgb(0x9a4a62), 600, 1560}}},
    };
}

std::vector<Design> WeddingDesigns()
{
    const QColor sage[] = {Rgb(0x7d9a73), Rgb(0x9bb08f), Rgb(0xb8cfae)};
    return {
        {"Wedding", "golden-frame", kLandscape,
         {Rgb(0xfdfbf6), Rgb(0xefe4d1), Rgb(0xb8934f), Rgb(0xfffdf8)}, Radial, DoubleRule,
         {{Vines, {sage[0], sage[1], sage[2]}}},
         {{Arch, {540, 120, 720, 790}}},
         {{u"Together Forever", kBook, 100, kRegular, kItalic, Rgb(0x4a3b2a), 900, 935},
          {u"our wedding day", kPlain, 44, kRegular, kUpright, Rgb(0xa07e3f), 900, 1062}}},
        {"Wedding", "rings", kPortrait,
         {Rgb(0xfbeff0), Rgb(0xf1d6da), Rgb(0xc59d5f), Rgb(0xffffff)}, Vertical, Flourish,
         {{Hearts, {Rgb(0xffffff), Rgb(0xeec3c9)}}, {Rings, {}}},
         {{Oval, {200, 180, 800, 1000}}},
         {{u"Just Married", kBook, 120, kRegular, kItalic, Rgb(0x8a5a44), 600, 1392},
          {u"with love and laughter", kSans, 44, kRegular, kUpright, Rgb(0xb08850), 600, 1548}}},
        {"Wedding", "two-hearts", kLandscape,
         {Rgb(0xfff7f3), Rgb(0xf6e0e5), Rgb(0xb5485d), Rgb(0xfffafa)}, Diagonal, None,
         {{Hearts, {Rgb(0xe8a1ad), Rgb(0xf3c6cf), Rgb(0xd27586)}}},
         {{Heart, {230, 110, 640, 640}}, {Heart, {930, 110, 640, 640}}},
         {{u"You & Me", kBook, 120, kBold, kItalic, Rgb(0xa63d52), 900, 820},
          {u"forever and always", kSerif, 50, kRegular, kUpright, Rgb(0x8c5a64), 900, 985}}},
        {"Wedding", "eucalyptus", kPortrait,
         {Rgb(0xfbfaf5), Rgb(0xe9eee4), Rgb(0x6f8f6a), Rgb(0xffffff)}, Vertical, None,
         {{Vines, {sage[0], sage[1], sage[2]}}},
         {{Arch, {230, 200, 740, 1050}}},
         {{u"Save the Date", kSerif, 108, kRegular, kUpright, Rgb(0x4e6b4a), 600, 1330},
          {u"together with our families", kPlain, 46, kRegular, kItalic, Rgb(0x6f8f6a), 600, 1485}}},
    };
}

std::vector<Design> HolidayDesigns()
{
    return {
        {"Holidays", "snowfall", kLandscape,
         {Rgb(0x0f2a4a), Rgb(0x24578a), Rgb(0xcfe3f5), Rgb(0xf4f8fc)}, Vertical, None,
         {{Snowflakes, {Rgb(0xffffff), Rgb(0xdcecff)}}},
         {{RoundedRect, {250, 100, 1300, 800}}},
         {{u"Season's Greetings", kSerif, 100, kRegular, kItalic, Rgb(0xffffff), 900, 948},
          {u"warm wishes for a peaceful winter", kPlain, 44, kRegular, kUpright, Rgb(0xcfe3f5), 900, 1080}}},
        {"Holidays", "baubles", kPortrait,
         {Rgb(0xb3202d), Rgb(0x640d17), Rgb(0xe2b857), Rgb(0xfff6e0)}, Radial, DoubleRule,
         {{Baubles, {Rgb(0xe2b857), Rgb(0xf4f4f4), Rgb(0x2f7d4f), Rgb(0x1f5fa0)}},
          {Sparkles, {Rgb(0xf0d58a), Rgb(0xffffff)}}},
         {{Oval, {190, 560, 820, 900}}},
         {{u"Merry Christmas", kSerif, 100, kRegular, kItalic, Rgb(0xf0cf78), 600, 1512},
          {u"and a happy new year", kPlain, 44, kRegular, kUpright, Rgb(0xffffff), 600, 1640}}},
        {"Holidays", "holly", kLandscape,
         {Rgb(0xfffaf0), Rgb(0xf1e4cc), Rgb(0x9e2a2b), Rgb(0xffffff)}, Radial, DoubleRule,
         {{Holly, {Rgb(0x2e6b3f), Rgb(0xc1272d)}}, {Sparkles, {Rgb(0xd9b45a), Rgb(0xc1272d)}}},
         {{Arch, {560, 110, 680, 810}}},
         {{u"Happy Holidays", kBook, 96, kBold, kUpright, Rgb(0x9e2a2b), 900, 948},
          {u"joy, peace and love", kSerif, 44, kRegular, kItalic, Rgb(0x2e6b3f), 900, 1070}}},
        {"Holidays", "new-year", kPortrait,
         {Rgb(0x0b0b1e), Rgb(0x25224a), Rgb(0xd4af37), Rgb(0xf7edd0)}, Vertical, None,
         {{Sparkles, {Rgb(0xd4af37), Rgb(0xf2e2a0), Rgb(0xffffff)}},
          {Stars, {Rgb(0xd4af37), Rgb(0xc0c0c0)}}},
         {{RoundedRect, {150, 380, 900, 1000}}},
         {{u"Happy New Year", kSerif, 100, kBold, kUpright, Rgb(0xe4c15a), 600, 150},
          {u"cheers to new beginnings", kPlain, 48, kRegular, kItalic, Rgb(0xf2e2a0), 600, 1480}}},
    };
}

std::vector<Design> BabyDesigns()
{
    return {
        {"Baby", "little-star", kLandscape,
         {Rgb(0xd6e8fb), Rgb(0xf3f8ff), Rgb(0x7aa6d8), Rgb(0xffffff)}, Vertical, None,
         {{MoonAndStars, {Rgb(0xffe98a), Rgb(0xffd25e), Rgb(0xffffff)}},
          {Clouds, {Rgb(0xffffff), Rgb(0xf4f8ff)}}},
         {{Oval, {420, 110, 960, 800}}},
         {{u"Welcome, Little One", kSerif, 96, kRegular, kItalic, Rgb(0x3e6aa0), 900, 950},
          {u"twinkle, twinkle, little star", kPlain, 44, kRegular, kUpright, Rgb(0x6a94c6), 900, 1075}}},
        {"Baby", "pink-hearts", kPortrait,
         {Rgb(0xfff0f4), Rgb(0xffd9e4), Rgb(0xe88aa8), Rgb(0xffffff)}, Dots, None,
         {{Hearts, {Rgb(0xf7a8c0), Rgb(0xe88aa8), Rgb(0xffffff)}}},
         {{Heart, {150, 220, 900, 880}}},
         {{u"It's a Girl!", kSerif, 120, kBold, kUpright, Rgb(0xd45d87), 600, 1260},
          {u"sweet as can be", kBook, 58, kRegular, kItalic, Rgb(0xb0607a), 600, 1420}}},
        {"Baby", "clouds", kLandscape,
         {Rgb(0xbfe3f7), Rgb(0xeef9fd), Rgb(0x5fa8d3), Rgb(0xffffff)}, Vertical, None,
         {{Clouds, {Rgb(0xffffff), Rgb(0xf6fbff)}}, {Stars, {Rgb(0xffd76e), Rgb(0xffffff)}}},
         {{Oval, {150, 330, 560, 560}}, {RoundedRect, {860, 330, 800, 560}}},
         {{u"Hello, World", kSans, 96, kBold, kUpright, Rgb(0x3b7fb0), 900, 940},
          {u"our little miracle", kBook, 50, kRegular, kItalic, Rgb(0x4f94bf), 900, 1068}}},
        {"Baby", "sweet-dreams", kPortrait,
         {Rgb(0xfff8dc), Rgb(0xfff0bd), Rgb(0xe0a526), Rgb(0xffffff)}, Stripes, None,
         {{Stars, {Rgb(0xf5c342), Rgb(0xffffff), Rgb(0x9fd3c7)}}},
         {{Arch, {200, 200, 800, 1050}}},
         {{u"Sweet Dreams", kSerif, 120, kRegular, kItalic, Rgb(0xc38a17), 600, 1330},
          {u"sleep tight, little one", kPlain, 48, kRegular, kUpright, Rgb(0x8c7a4b), 600, 1495}}},
    };
}

std::vector<Design> TravelDesigns()
{
    return {
        {"Travel", "airmail", kLandscape,
         {Rgb(0xfbf8f1), Rgb(0xf0e9da), Rgb(0x1f3f8c), Rgb(0xffffff)}, Vertical, Airmail, {},
         {{RoundedRect, {300, 110, 1200, 780}}},
         {{u"Greetings from Paradise", kBook, 90, kBold, kItalic, Rgb(0x1f3f8c), 900, 925},
          {u"wish you were here", kPlain, 46, kRegular, kUpright, Rgb(0xc41e3a), 900, 1045}}},
        {"Travel", "seaside", kPortrait,
         {Rgb(0xbfe6f5), Rgb(0xfff1d6), Rgb(0x1b6f93), Rgb(0xffffff)}, Vertical, None,
         {{Sun, {Rgb(0xffc94a)}}, {Waves, {Rgb(0x9fd8ea), Rgb(0x4fb0d3), Rgb(0x1b7fa6)}}},
         {{Arch, {200, 260, 800, 900}}},
         {{u"Summer by the Sea", kSerif, 90, kBold, kUpright, Rgb(0x1b6f93), 600, 1228},
          {u"sun, sand and salty air", kBook, 52, kRegular, kItalic, Rgb(0x2f7f9f), 600, 1350}}},
        {"Travel", "adventure-map", kLandscape,
         {Rgb(0xf6eed9), Rgb(0xe6d5b0), Rgb(0x7a5c3a), Rgb(0xfffaf0)}, Grid, None,
         {{FlightPath, {Rgb(0xc0392b)}}},
         {{Oval, {820, 110, 880, 980}}},
         {{u"Adventure", kSerif, 110, kBold, kUpright, Rgb(0x5e4328), 410, 150},
          {u"awaits", kBook, 96, kRegular, kItalic, Rgb(0xa0522d), 410, 285}}},
        {"Travel", "mountains", kPortrait,
         {Rgb(0x27386a), Rgb(0xf4a261), Rgb(0xf6e7c8), Rgb(0xfff7ea)}, Vertical, None,
         {{Sparkles, {Rgb(0xfff4d6), Rgb(0xffffff)}},
          {Mountains, {Rgb(0x8a7fa8), Rgb(0x5a5585), Rgb(0x2e2b52)}}},
         {{RoundedRect, {160, 330, 880, 980}}},
         {{u"Into the Wild", kSerif, 100, kBold, kUpright, Rgb(0xfff3e0), 600, 90},
          {u"the mountains are calling", kPlain, 46, kRegular, kItalic, Rgb(0xf6e7c8), 600, 218}}},
    };
}

std::vector<Design> OtherDesigns()
{
    return {
        {"others", "vintage-stamp", kLandscape,
         {Rgb(0xfbf6ea), Rgb(0xeee2c8), Rgb(0x7b2e2e), Rgb(0xfffdf7)}, Vertical, Stamp,
         {{Stars, {Rgb(0xb08d57)}}},
         {{RoundedRect, {230, 150, 1340, 700}}},
         {{u"Good Times", kBook, 96, kBold, kUpright, Rgb(0x7b2e2e), 900, 888},
          {u"memories worth keeping", kSerif, 42, kRegular, kItalic, Rgb(0x5a4a3a), 900, 1008}}},
        {"others", "classic-black", kLandscape,
         {Rgb(0x303030), Rgb(0x0e0e0e), Rgb(0xc9c9c9), Rgb(0xf2f2f2)}, Radial, DoubleRule, {},
         {{RoundedRect, {300, 120, 1200, 800}}},
         {{u"Best Moments", kBook, 90, kRegular, kUpright, Rgb(0xf0f0f0), 900, 952},
          {u"captured forever", kPlain, 40, kRegular, kUpright, Rgb(0xa8a8a8), 900, 1068}}},
        {"others", "autumn-leaves", kLandscape,
         {Rgb(0xfff5e6), Rgb(0xf4d9b5), Rgb(0xa0522d), Rgb(0xfffaf2)}, Diagonal, None,
         {{FallingLeaves, {Rgb(0xd35400), Rgb(0xe67e22), Rgb(0xc0392b), Rgb(0xb7950b), Rgb(0x8e5b2e)}}},
         {{Oval, {110, 110, 1000, 980}}},
         {{u"Thank You", kBook, 110, kBold, kItalic, Rgb(0x8e3b1f), 1460, 470},
          {u"for everything", kSerif, 54, kRegular, kUpright, Rgb(0xa0522d), 1460, 612}}},
        {"others", "friends-collage", kLandscape,
         {Rgb(0xeef7f6), Rgb(0xcfe6e4), Rgb(0x2a9d8f), Rgb(0xffffff)}, Dots, None,
         {{Confetti, {Rgb(0xe76f51), Rgb(0xf4a261), Rgb(0xe9c46a), Rgb(0x2a9d8f)}}},
         {{RoundedRect, {90, 110, 520, 700}}, {Oval, {660, 110, 480, 480}}, {Arch, {1190, 110, 520, 700}}},
         {{u"Friends Forever", kSerif, 96, kBold, kUpright, Rgb(0x1f6f66), 900, 905},
          {u"good times, great memories", kPlain, 44, kRegular, kItalic, Rgb(0xd0603f), 900, 1035}}},
    };
}

}  // namespace

const std::vector<Design>& LibraryDesigns()
{
    static const std::vector<Design> designs = [] {
        std::vector<Design> all;
        for (auto part : {BirthdayDesigns, WeddingDesigns, HolidayDesigns, BabyDesigns, TravelDesigns, OtherDesigns})
            for (Design& design : part())
                all.push_back(std::move(design));
        return all;
    }();
    return designs;
}
