// Draws the program's skin pictures into a folder, through the program's own
// encoders (JPEG, and PNG for about.png and template.png).
//   make_skins <folder>
//
// Every picture is drawn twice: name.jpg at the sizes below, and name@2x.jpg
// at twice the size for screens of two device pixels per pixel. The second
// drawing is made afresh at that density (strokes, glyphs and gradients at
// twice the resolution), never enlarged from the first.
//
// One palette throughout: a deep ink caption, main bar and window border, a
// light paper colour for the lower bars, status bar and dialogs, and a warm
// amber accent for what is active (held buttons, the icons' details).
//
// Each picture's size follows from where the program places it:
//
// | File                          | Size     | Why                                                        |
// |-------------------------------|----------|------------------------------------------------------------|
// | title.jpg                     | 300 x 25 | 25-px caption: left 150 px kept, 2-px column at x 160       |
// |                               |          | stretched, right 120 px (180..299) kept                    |
// | normal, min, max, close.jpg   |  95 x 16 | caption buttons at strip x 0-27, 27-54, 54-95, y 0-16;     |
// |                               |          | the strip lies at y 1 of the caption                       |
// | topleft.jpg, topright.jpg     |   9 x 65 | 9-px borders beside the 65-px main bar (y 25 to 90)        |
// | left.jpg, right.jpg           |   9 x 16 | stretched from y 90 to the bottom                          |
// | bottom.jpg                    |  64 x 8  | 8 px high, its lowest rows used, stretched across          |
// | tool_main.jpg                 | 120 x 65 | 65-px main bar: left 100 px kept, the rest stretched       |
// | tool_sub.jpg                  |  64 x 33 | 33-px lower bars: 2-px sides kept, the middle stretched    |
// | sub_photo, sub_tpl, sub_text  |  40 x 33 | label at the bar's left, before the first button at x 47   |
// | status.jpg                    | 200 x 21 | the 21-px status bar: left 2 px, stretched middle, right   |
// |                               |          | 24 px (size grip)                                          |
// | about.png                     | 400 x 300| OK at (328, 265) and texts at (268, 156), (16, 190),       |
// |                               |          | (16, 220) fit inside                                       |
// | template.png                  | 476 x 384| list at (7, 27) 462 x 320; category box, label, OK and     |
// |                               |          | Cancel on the row at y 351 to 376                          |
// | ok, cancel _up/_down          |  58 x 22 | OK at (342, 354) and Cancel at (405, 354) side by side     |
// | new, save, photo, template,   |  64 x 64 | main bar buttons 65 px apart at y 0 of the 65-px bar       |
// | text, help _up/_down          |          |                                                            |
// | larger, less, mirror, flip,   |  24 x 21 | lower-bar buttons 25 px apart at y 6: x 47, 72, 113, 138,  |
// | lr, rr, fit, al, ac, ar       |          | 163, 189, 214 (photo bar) and 359, 384, 410 (text bar)     |
// | _up/_down                     |          |                                                            |
// | delete _up/_down              |  56 x 19 | at y 7, 63 px from the bar's right end                     |
// | seltpl, savetpl, imptpl,      | 112 x 19 | at y 7, x 47, 165, 283 and 401: 118 px apart               |
// | newtpl                        |          |                                                            |
//
//   make_skins --icons <folder>
//
// writes the desktop's icons instead, for the hicolor theme's sizes, as PNG
// with transparent corners (Qt's writer: the image core's PNG has no alpha):
// the application's, the emblem on an ink tile (<folder>/NxN/apps/orvantis.png),
// and the card file's, that tile on a page with a folded corner
// (<folder>/NxN/mimetypes/application-x-orvantis-card.png).
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/PictureWriter.h"
#include "tools/SkinIcons.h"

namespace {

// The palette.
const QColor kCaptionTop(0x24, 0x2d, 0x3b), kCaptionBottom(0x1a, 0x21, 0x2b), kCaptionHighlight(0x3a, 0x46, 0x58);
const QColor kBarTop(0x2b, 0x36, 0x47), kBarBottom(0x20, 0x28, 0x34), kBarShadow(0x12, 0x16, 0x1d);
const QColor kEdge(0x10, 0x14, 0x1a);
const QColor kBarLit(0x36, 0x44, 0x59), kBarLitBorder(0x45, 0x55, 0x6d);
const QColor kPaperTop(0xf5, 0xf6, 0xf8), kPaperBottom(0xe3, 0xe7, 0xec), kPaper(0xf3, 0xf4, 0xf6);
const QColor kPaperLine(0xc6, 0xcd, 0xd5), kPaperBorder(0xd3, 0xd8, 0xde);
const QColor kAccent(0xf0, 0xa0, 0x4b), kAccentDeep(0xc9, 0x74, 0x1e), kAccentLight(0xf7, 0xbd, 0x78);
const QColor kClose(0xd9, 0x50, 0x3f);
const QColor kInkText(0x24, 0x2d, 0x3b), kMutedOnDark(0xa9, 0xb4, 0xc4), kGlyphOnDark(0xb7, 0xc1, 0xcf);
const QColor kLightOnDark(0xe4, 0xe9, 0xf0), kWhite(0xff, 0xff, 0xff);

constexpr int kCaptionHeight = 25, kMainBarHeight = 65, kSubBarHeight = 33, kStatusHeight = 21;
constexpr int kStripTop = 1;  // the caption-button strip lies one row below the window's top

QColor Mix(const QColor& from, const QColor& to, double t)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
                            float(from.greenF() + (to.greenF() - from.greenF()) * t),
                            float(from.blueF() + (to.blueF() - from.blueF()) * t));
}

// The colour of each row of a band (caption, bars, status bar). Every piece
// cut from a band (its background, a button lying on it, a border beside it)
// paints the band's rows from its own top row, so the pieces meet seamlessly.
using RowColour = QColor (*)(int y);

QColor CaptionRow(int y)
{
    return y == 0 ? kCaptionHighlight : Mix(kCaptionTop, kCaptionBottom, y / double(kCaptionHeight - 1));
}

QColor MainBarRow(int y)
{
    return y == kMainBarHeight - 1 ? kBarShadow : Mix(kBarTop, kBarBottom, y / double(kMainBarHeight - 2));
}

QColor SubBarRow(int y)
{
    if (y == 0)
        return kWhite;
    return y == kSubBarHeight - 1 ? kPaperLine : Mix(kPaperTop, kPaperBottom, y / double(kSubBarHeight - 2));
}

QColor StatusRow(int y)
{
    if (y == 0)
        return kPaperLine;
    return y == 1 ? kWhite : Mix(kPaperTop, kPaperBottom, (y - 1) / double(kStatusHeight - 2));
}

// A picture of width x height pixels of the window's layout, holding scale
// device pixels per layout pixel: painters draw on it in layout pixels.
QImage NewPicture(int width, int height, int scale)
{
    QImage picture(width * scale, height * scale, QImage::Format_RGB32);
    picture.setDevicePixelRatio(scale);
    picture.fill(kPaper);
    return picture;
}

// The picture's whole area in layout pixels.
QRect Area(const QImage& picture)
{
    return QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize());
}

// A piece of a band whose first row is the band's row top. A row is one
// layout pixel high at every scale, as the window's own lines are.
QImage Band(int width, int height, int scale, RowColour rows, int top = 0)
{
    QImage picture = NewPicture(width, height, scale);
    QPainter painter(&picture);
    for (int y = 0; y < height; ++y)
        painter.fillRect(0, y, width, 1, rows(top + y));
    return picture;
}

QFont Face(const char* family, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The product's mark: two overlapping cards, the front one amber.
void PaintEmblem(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center());
    const double unit = box.width() / 16.0;
    painter.scale(unit, unit);
    painter.setPen(Qt::NoPen);
    painter.save();
    painter.rotate(-14);
    painter.setBrush(QColor(0x6f, 0x85, 0xa3));
    painter.drawRoundedRect(QRectF(-6.5, -5.5, 10, 12), 2, 2);
    painter.restore();
    painter.rotate(8);
    QLinearGradient warm(0, -6, 0, 6);
    warm.setColorAt(0, kAccentLight);
    warm.setColorAt(1, kAccentDeep);
    painter.setBrush(warm);
    painter.drawRoundedRect(QRectF(-2.5, -6, 10, 12), 2, 2);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRoundedRect(QRectF(-0.8, -4.2, 6.6, 5.2), 1.2, 1.2);
    painter.restore();
}

// Writes one scale of the skin set: at scale 2 each name.ext becomes
// name@2x.ext, the name the program looks for beside name.ext.
class SkinWriter {
public:
    SkinWriter(std::filesystem::path folder, int scale) : m_folder(std::move(folder)), m_scale(scale) {}

    bool Succeeded() const { return m_ok; }
    int Scale() const { return m_scale; }

    void Write(const std::string& name, const QImage& picture)
    {
        const std::filesystem::path plain(name);
        const std::string suffix = m_scale == 1 ? "" : "@" + std::to_string(m_scale) + "x";
        m_ok = WritePicture(picture, m_folder / (plain.stem().string() + suffix + plain.extension().string())) && m_ok;
    }

    // name_up.jpg and name_down.jpg from one drawing of both looks.
    template <typename Paint>
    void WriteButton(const std::string& name, const Paint& paint)
    {
        Write(name + "_up.jpg", paint(false));
        Write(name + "_down.jpg", paint(true));
    }

private:
    std::filesystem::path m_folder;
    int m_scale;
    bool m_ok = true;
};

// The caption band and its button strips.

void WriteCaption(SkinWriter& skins)
{
    const int scale = skins.Scale();
    QImage title = Band(300, kCaptionHeight, scale, CaptionRow);
    QPainter painter(&title);
    PaintEmblem(painter, QRectF(9, 4, 17, 17));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(Face("DejaVu Sans", 13, QFont::Bold));
    painter.setPen(kLightOnDark);
    painter.drawText(QPointF(33, 17.5), "Orvantis");
    painter.end();
    skins.Write("title.jpg", title);

    // The strip's cells: minimise, maximise, close (strip x 0-27, 27-54, 54-95).
    const QRect cells[] = {{0, 0, 27, 16}, {27, 0, 27, 16}, {54, 0, 41, 16}};
    auto strip = [&cells, scale](int hovered) {
        QImage picture = Band(95, 16, scale, CaptionRow, kStripTop);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 3; ++i) {
            const QRectF cell = cells[i];
            if (i == hovered) {
                // A tab hanging from the window's top edge.
                QPainterPath tab;
                tab.addRoundedRect(cell.adjusted(0.5, -6, -0.5, 0), 4, 4);
                painter.fillPath(tab, i == 2 ? kClose : kBarLit);
            }
            painter.setPen(QPen(i == hovered ? kWhite : kGlyphOnDark, 1.2));
            painter.setBrush(Qt::NoBrush);
            const QPointF c = cell.center() + QPointF(0, 0.5);
            if (i == 0)
                painter.drawLine(c + QPointF(-4.5, 3.5), c + QPointF(4.5, 3.5));
            else if (i == 1)
                painter.drawRect(QRectF(c.x() - 4, c.y() - 4, 8, 8));
            else {
                painter.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
                painter.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
            }
        }
        return picture;
    };
    skins.Write("normal.jpg", strip(-1));
    skins.Write("min.jpg", strip(0));
    skins.Write("max.jpg", strip(1));
    skins.Write("close.jpg", strip(2));
}

// The window's borders: the main bar's colours beside the main bar, then
// the bar's lower colour down to the bottom, with a dark outer edge.

void WriteBorders(SkinWriter& skins)
{
    const int scale = skins.Scale();
    auto side = [scale](int height, bool left, bool besideMainBar) {
        QImage picture = NewPicture(9, height, scale);
        QPainter painter(&picture);
        for (int y = 0; y < height; ++y)
            painter.fillRect(0, y, 9, 1, besideMainBar && y < kMainBarHeight - 1 ? MainBarRow(y) : kBarBottom);
        painter.fillRect(left ? 0 : 8, 0, 1, height, kEdge);
        // Below the main bar a dark inner line sets the light content apart.
        if (!besideMainBar)
            painter.fillRect(left ? 8 : 0, 0, 1, height, kBarShadow);
        return picture;
    };
    skins.Write("topleft.jpg", side(kMainBarHeight, true, true));
    skins.Write("topright.jpg", side(kMainBarHeight, false, true));
    skins.Write("left.jpg", side(16, true, false));
    skins.Write("right.jpg", side(16, false, false));

    QImage bottom = Band(64, 8, scale, [](int y) { return y == 7 ? kEdge : Mix(kBarBottom, kBarShadow, y / 7.0); });
    skins.Write("bottom.jpg", bottom);
}

// The main bar: 64 x 64 buttons with an icon and a label; the down look is
// a lit tile with an amber mark at its foot.

void WriteMainBar(SkinWriter& skins)
{
    const int scale = skins.Scale();
    skins.Write("tool_main.jpg", Band(120, kMainBarHeight, scale, MainBarRow));

    struct MainButton {
        const char* name;
        Icon icon;
        const char* label;
    };
    const MainButton buttons[] = {
        {"new", icons::NewCard, "New"},        {"save", icons::Disk, "Save"},     {"photo", icons::Landscape, "Photo"},
        {"template", icons::Frame, "Template"}, {"text", icons::Letter, "Text"}, {"help", icons::Help, "Help"},
        {"card", icons::Thumbnails, "Card"},
    };
    for (const MainButton& button : buttons)
        skins.WriteButton(button.name, [&button, scale](bool down) {
            QImage picture = Band(64, 64, scale, MainBarRow);
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            if (down) {
                painter.setPen(QPen(kBarLitBorder, 1));
                painter.setBrush(kBarLit);
                painter.drawRoundedRect(QRectF(3.5, 3.5, 57, 56), 7, 7);
                painter.setPen(Qt::NoPen);
                painter.setBrush(kAccent);
                painter.drawRoundedRect(QRectF(20, 60.5, 24, 3), 1.5, 1.5);
            }
            PaintIcon(painter, button.icon, QRectF(19, 9, 26, 26), {down ? kWhite : kLightOnDark, kAccent});
            painter.setFont(Face("DejaVu Sans", 11));
            painter.setPen(down ? kWhite : kMutedOnDark);
            painter.drawText(QRect(0, 40, 64, 16), Qt::AlignHCenter | Qt::AlignVCenter, button.label);
            return picture;
        });
}

// The lower bars: flat icons on the light band; the down look is a white
// tile with an amber outline.

QImage LowerButton(QSize size, int scale, int top, bool down, Icon icon, const char* label = nullptr)
{
    QImage picture = Band(size.width(), size.height(), scale, SubBarRow, top);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (down) {
        painter.setPen(QPen(kAccent, 1));
        painter.setBrush(kWhite);
        painter.drawRoundedRect(QRectF(Area(picture)).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
    const IconInk ink{down ? kInkText : QColor(0x3b, 0x47, 0x58), kAccentDeep};
    if (!label) {
        const double side = 16;
        PaintIcon(painter, icon, QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side), ink);
        return picture;
    }
    // Icon and label centred together; the condensed face keeps "Import
    // Template" inside its 112 px.
    const double side = 14, gap = 5;
    const QFont font = Face("DejaVu Sans Condensed", 11);
    const double left = (size.width() - side - gap - QFontMetricsF(font).horizontalAdvance(label)) / 2;
    PaintIcon(painter, icon, QRectF(left, (size.height() - side) / 2, side, side), ink);
    painter.setFont(font);
    painter.setPen(ink.line);
    painter.drawText(QRectF(left + side + gap, 0, size.width(), size.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     label);
    return picture;
}

// The label at a lower bar's left end: a dark tab continuing the main bar.
QImage BarLabel(Icon icon, int scale)
{
    QImage picture = Band(40, kSubBarHeight, scale, SubBarRow);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBarBottom);
    painter.drawPolygon(QPolygonF({{0, 0}, {31, 0}, {39, 16.5}, {31, 33}, {0, 33}}));
    PaintIcon(painter, icon, QRectF(8, 8.5, 16, 16), {kLightOnDark, kAccent});
    return picture;
}

void WriteLowerBars(SkinWriter& skins)
{
    const int scale = skins.Scale();
    skins.Write("tool_sub.jpg", Band(64, kSubBarHeight, scale, SubBarRow));
    skins.Write("sub_photo.jpg", BarLabel(icons::Landscape, scale));
    skins.Write("sub_tpl.jpg", BarLabel(icons::Frame, scale));
    skins.Write("sub_text.jpg", BarLabel(icons::Letter, scale));

    struct IconButton {
        const char* name;
        Icon icon;
    };
    // larger_ enlarges the photo and less_ shrinks it, whatever their tooltips say.
    const IconButton iconButtons[] = {
        {"larger", icons::ZoomIn},     {"less", icons::ZoomOut},     {"mirror", icons::Mirror},
        {"flip", icons::Flip},         {"lr", icons::RotateLeft},    {"rr", icons::RotateRight},
        {"fit", icons::Frame},
        {"al", icons::AlignLeft},      {"ac", icons::AlignCentre},  {"ar", icons::AlignRight},
        {"outline", icons::TextOutline}, {"shadow", icons::TextShadow},
    };
    for (const IconButton& button : iconButtons)
        skins.WriteButton(button.name,
                          [&button, scale](bool down) { return LowerButton({24, 21}, scale, 6, down, button.icon); });

    struct LabelledButton {
        const char* name;
        Icon icon;
        const char* label;
        int width;
    };
    const LabelledButton labelledButtons[] = {
        {"delete", icons::Bin, "Delete", 56},
        {"seltpl", icons::Thumbnails, "Select Template", 112},
        {"savetpl", icons::Disk, "Save Template", 112},
        {"imptpl", icons::Import, "Import Template", 112},
        {"newtpl", icons::Landscape, "From Picture", 112},
    };
    for (const LabelledButton& button : labelledButtons)
        skins.WriteButton(button.name, [&button, scale](bool down) {
            return LowerButton({button.width, 19}, scale, 7, down, button.icon, button.label);
        });
}

void WriteStatusBar(SkinWriter& skins)
{
    QImage status = Band(200, kStatusHeight, skins.Scale(), StatusRow);
    QPainter painter(&status);
    painter.setRenderHint(QPainter::Antialiasing);
    // The size grip in the right 24 px: three diagonal rows of dots.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column <= row; ++column) {
            const QPointF dot(200 - 6 - 4 * column, kStatusHeight - 5 - 4 * (row - column));
            painter.setPen(Qt::NoPen);
            painter.setBrush(kWhite);
            painter.drawEllipse(dot + QPointF(0.6, 0.6), 1.1, 1.1);
            painter.setBrush(QColor(0x9a, 0xa4, 0xb1));
            painter.drawEllipse(dot, 1.1, 1.1);
        }
    painter.end();
    skins.Write("status.jpg", status);
}

// Dialog pictures: a dark header over paper, with a fine border; the
// window's rounded region cuts the corners.

void PaintDialogFrame(QPainter& painter, const QRect& area, int headerHeight)
{
    painter.fillRect(area, kPaper);
    QLinearGradient header(0, 0, 0, headerHeight);
    header.setColorAt(0, kCaptionTop);
    header.setColorAt(1, kCaptionBottom);
    painter.fillRect(QRect(0, 0, area.width(), headerHeight), header);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kEdge, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

void WriteAbout(SkinWriter& skins)
{
    constexpr int kHeader = 140;
    QImage about = NewPicture(400, 300, skins.Scale());
    QPainter painter(&about);
    PaintDialogFrame(painter, Area(about), kHeader);
    painter.fillRect(QRect(1, kHeader, 398, 3), kAccent);

    // Cards fanned out at the header's right, the front one a picture card
    // with its window.
    painter.save();
    painter.setClipRect(QRect(1, 1, 398, kHeader - 1));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor fan[] = {QColor(0x6f, 0x85, 0xa3, 70), QColor(0xff, 0xff, 0xff, 36), QColor(0xf0, 0xa0, 0x4b, 150)};
    for (int i = 0; i < 3; ++i) {
        painter.save();
        painter.translate(318, 100);
        painter.rotate(-24 + 16 * i);
        painter.setBrush(fan[i]);
        painter.drawRoundedRect(QRectF(-44, -70, 88, 110), 9, 9);
        if (i == 2) {
            painter.setBrush(QColor(255, 255, 255, 170));
            painter.drawRoundedRect(QRectF(-34, -60, 68, 58), 6, 6);
            painter.setBrush(QColor(0xc9, 0x74, 0x1e, 150));
            painter.drawPolygon(QPolygonF({{-34, -12}, {-14, -34}, {0, -20}, {10, -30}, {34, -8}, {34, -2}, {-34, -2}}));
            painter.drawEllipse(QPointF(16, -46), 6, 6);
        }
        painter.restore();
    }
    painter.restore();

    PaintEmblem(painter, QRectF(24, 28, 34, 34));
    painter.setPen(kWhite);
    painter.setFont(Face("DejaVu Sans", 30, QFont::Bold));
    painter.drawText(QPointF(68, 58), "Orvantis");
    painter.setPen(kMutedOnDark);
    painter.setFont(Face("DejaVu Sans", 13));
    painter.drawText(QPointF(26, 96), "Picture cards, beautifully composed");
    painter.setPen(kAccentLight);
    painter.setFont(Face("DejaVu Sans", 11));
    painter.drawText(QPointF(26, 118), "Frames \u00b7 Photos \u00b7 Texts");

    // The program writes the version at (268, 156) and the contact lines at
    // (16, 190) and (16, 220) on the paper; a rule separates the OK row.
    painter.setPen(QColor(0x8a, 0x94, 0xa3));
    painter.setFont(Face("DejaVu Sans", 11, QFont::Bold));
    painter.drawText(QPointF(16, 169), "CONTACT");
    painter.fillRect(QRect(16, 252, 368, 1), kPaperBorder);
    painter.end();
    skins.Write("about.png", about);
}

void WriteTemplateDialog(SkinWriter& skins)
{
    QImage dialog = NewPicture(476, 384, skins.Scale());
    QPainter painter(&dialog);
    PaintDialogFrame(painter, Area(dialog), 27);
    PaintEmblem(painter, QRectF(8, 5, 17, 17));
    painter.setFont(Face("DejaVu Sans", 12, QFont::Bold));
    painter.setPen(kLightOnDark);
    painter.drawText(QPointF(32, 18.5), "Select a template");
    // The thumbnail list covers (7, 27) to (469, 347); a line around it.
    painter.setPen(QPen(kPaperBorder, 1));
    painter.setBrush(kWhite);
    painter.drawRect(QRectF(6.5, 27.5, 463, 320));
    painter.end();
    skins.Write("template.png", dialog);
}

// The OK and Cancel buttons lie on the dialogs' paper.
void WriteDialogButtons(SkinWriter& skins)
{
    auto button = [scale = skins.Scale()](const char* label, bool primary, bool down) {
        QImage picture = NewPicture(58, 22, scale);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF face = QRectF(Area(picture)).adjusted(0.5, 0.5, -0.5, -0.5);
        if (primary) {
            painter.setPen(QPen(kAccentDeep, 1));
            painter.setBrush(down ? kAccentLight : kAccent);
        } else {
            painter.setPen(QPen(down ? kAccent : kPaperLine, 1));
            painter.setBrush(down ? QColor(0xfd, 0xf1, 0xe2) : kWhite);
        }
        painter.drawRoundedRect(face, 4, 4);
        painter.setFont(Face("DejaVu Sans", 11, primary ? QFont::Bold : QFont::Normal));
        painter.setPen(kInkText);
        painter.drawText(Area(picture), Qt::AlignCenter, label);
        return picture;
    };
    skins.WriteButton("ok", [&](bool down) { return button("OK", true, down); });
    skins.WriteButton("cancel", [&](bool down) { return button("Cancel", false, down); });
}

// The tile's corners follow the usual rounding of desktop icons; every size
// is drawn afresh, so the small ones stay sharp.
void PaintAppTile(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ink(box.topLeft(), box.bottomLeft());
    ink.setColorAt(0, kBarLit);
    ink.setColorAt(1, kBarBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    const double radius = box.width() * 0.18;
    painter.drawRoundedRect(box, radius, radius);
    PaintEmblem(painter, box.adjusted(box.width() * 0.06, box.height() * 0.06, -box.width() * 0.06,
                                      -box.height() * 0.06));
    painter.restore();
}

// The card file's icon: a paper page with its top right corner folded over,
// the application's tile on its lower part. The page's outline lies on
// half pixels, so its one-pixel line stays crisp at every size.
void PaintCardIcon(QPainter& painter, int size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double line = std::max(1.0, std::round(size / 64.0));
    const double left = std::round(size * 0.13) + line / 2, right = size - std::round(size * 0.13) - line / 2;
    const double top = line / 2, bottom = size - line / 2;
    const double fold = std::round(size * 0.25);
    QPainterPath page;
    page.moveTo(left, top);
    page.lineTo(right - fold, top);
    page.lineTo(right, top + fold);
    page.lineTo(right, bottom);
    page.lineTo(left, bottom);
    page.closeSubpath();
    QLinearGradient paper(0, 0, 0, size);
    paper.setColorAt(0, kWhite);
    paper.setColorAt(1, kPaperBottom);
    painter.setPen(QPen(QColor(0x8a, 0x94, 0xa3), line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(paper);
    painter.drawPath(page);
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    corner.closeSubpath();
    painter.setBrush(kPaperLine);
    painter.drawPath(corner);
    const double tile = std::round(size * 0.5);
    PaintAppTile(painter, QRectF((size - tile) / 2, bottom - line / 2 - std::round(size * 0.08) - tile, tile, tile));
    painter.restore();
}

// Draws one icon in each of the hicolor theme's sizes, as
// <folder>/NxN/<context>/<name>.png.
template <typename Paint>
bool WriteIconSizes(const std::filesystem::path& folder, const char* context, const char* name, const Paint& paint)
{
    bool ok = true;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        paint(painter, size);
        painter.end();
        const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path path = folder / sizeName / context / (std::string(name) + ".png");
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (!icon.save(QString::fromStdString(path.string()), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ok = false;
        }
    }
    return ok;
}

bool WriteAppIcons(const std::filesystem::path& folder)
{
    const bool app = WriteIconSizes(folder, "apps", "orvantis",
                                    [](QPainter& painter, int size) { PaintAppTile(painter, QRectF(0, 0, size, size)); });
    const bool card = WriteIconSizes(folder, "mimetypes", "application-x-orvantis-card", PaintCardIcon);
    return app && card;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: make_skins <folder>\n       make_skins --icons <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (icons)
        return WriteAppIcons(argv[2]) ? 0 : 1;
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    bool ok = true;
    for (const int scale : {1, 2}) {
        SkinWriter skins(folder, scale);
        WriteCaption(skins);
        WriteBorders(skins);
        WriteMainBar(skins);
        WriteLowerBars(skins);
        WriteStatusBar(skins);
        WriteAbout(skins);
        WriteTemplateDialog(skins);
        WriteDialogButtons(skins);
        ok = skins.Succeeded() && ok;
    }
    return ok ? 0 : 1;
}
