// Writes a template folder (this.tpl and thumb.jpg) made by the program
// itself: a 6 x 4 in card at 300 dpi with an ivory mat, fine gold rules, a
// rounded photo window whose mask fades softly into the mat, and two preset
// texts centred below it.
//   make_template <folder>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "model/ImageEx.h"
#include "model/TemplateSave.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "tools/PictureWriter.h"

namespace {

constexpr int kWidth = 1800, kHeight = 1200;
const QRectF kWindow(240, 100, 1320, 780);  // card pixels, y downwards
constexpr double kCorner = 48;
// The photo fades into the mat over this many pixels inside the window.
constexpr double kFeather = 12;

const QColor kGold(0xb0, 0x8d, 0x57);

// Signed distance from the window's edge: negative inside.
double WindowDistance(double x, double y)
{
    const QPointF centre = kWindow.center();
    const double qx = std::abs(x - centre.x()) - (kWindow.width() / 2 - kCorner);
    const double qy = std::abs(y - centre.y()) - (kWindow.height() / 2 - kCorner);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - kCorner;
}

// 255 where the frame shows, 0 where the photo shows, a smooth step between.
QImage MakeMask()
{
    QImage mask(kWidth, kHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = mask.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const double t = std::clamp(1 + WindowDistance(x + 0.5, y + 0.5) / kFeather, 0.0, 1.0);
            row[x] = std::uint8_t(std::lround(255 * t * t * (3 - 2 * t)));
        }
    }
    return mask;
}

void Diamond(QPainter& painter, QPointF centre, double radius)
{
    painter.drawPolygon(QPolygonF({centre + QPointF(0, -radius), centre + QPointF(radius, 0),
                                   centre + QPointF(0, radius), centre + QPointF(-radius, 0)}));
}

QImage MakeFramePicture()
{
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient mat(kWidth / 2.0, kHeight / 2.0, kWidth * 0.62);
    mat.setColorAt(0, QColor(0xfc, 0xf9, 0xf3));
    mat.setColorAt(1, QColor(0xec, 0xe2, 0xd0));
    painter.fillRect(picture.rect(), mat);

    // Lines are at least 3 px wide so that they survive the card's fast
    // downscale on screen (a third of full size and less).
    // A double rule round the card with a diamond at each corner.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kGold, 5));
    painter.drawRect(QRectF(40, 40, kWidth - 80, kHeight - 80));
    painter.setPen(QPen(kGold, 3));
    const QRectF inner(56, 56, kWidth - 112, kHeight - 112);
    painter.drawRect(inner);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGold);
    for (const QPointF corner : {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
        Diamond(painter, corner, 9);

    // A fine line round the window.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kGold, 4));
    painter.drawRoundedRect(kWindow.adjusted(-18, -18, 18, 18), kCorner + 18, kCorner + 18);

    // A rule with a diamond between the two texts.
    painter.setPen(QPen(kGold, 4));
    painter.drawLine(QPointF(660, 1060), QPointF(870, 1060));
    painter.drawLine(QPointF(930, 1060), QPointF(1140, 1060));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGold);
    Diamond(painter, {900, 1060}, 10);
    return picture;
}

std::unique_ptr<ImageEx> MakeFrame()
{
    auto frame = std::make_unique<ImageEx>(ToPxImage(MakeFramePicture()), ToPxImage(MakeMask()));
    frame->SetSize({kWidth, kHeight});
    frame->m_nKind = ELEMENT_TEMPLATE_FRAME;
    return frame;
}

// A text centred across the card with its top at the given height.
std::unique_ptr<TextEx> MakeText(std::u16string text, std::u16string_view face, LONG height, bool italic,
                                 COLORREF colour, LONG top)
{
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = 400;
    font.lfItalic = italic;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    auto element = std::make_unique<TextEx>(font, colour, std::move(text));
    element->m_ptPos = {(kWidth - element->GetSize().cx) / 2, top};
    element->m_nKind = ELEMENT_TEMPLATE_TEXT;
    return element;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    // Write the frame alone, load it as the card's template, add the texts.
    auto frame = MakeFrame();
    WorkArea card;
    if (!WorkArea::WriteTemplateFile({frame.get()}, folder / "this.tpl") || !card.LoadTemplate(folder)) {
        std::fprintf(stderr, "make_template: cannot write %s\n", folder.c_str());
        return 1;
    }
    card.AddElement(MakeText(u"Happy Memories", u"Times New Roman", -120, true, RGB(43, 53, 68), 905));
    card.AddElement(MakeText(u"with love, from all of us", u"Arial", -44, false, RGB(150, 116, 66), 1076));
    if (!SaveTemplate(card, folder)) {
        std::fprintf(stderr, "make_template: cannot save the template in %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
