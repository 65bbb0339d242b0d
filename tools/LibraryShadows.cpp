#include "tools/LibraryShadows.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/LibraryOrnaments.h"

namespace {

// Light comes from the upper left: the raised mat casts a shadow down and to
// the right on the card round each window and on the photo inside it.
const QPointF kShadowOffset(8, 12);
constexpr int kShadowBlur = 9;  // per box pass; three passes
constexpr double kDropShadowStrength = 0.35;
constexpr double kInnerShadowStrength = 0.6;

// Three box passes, rows then columns, approach a Gaussian.
void BoxBlur(QImage& grey, int radius)
{
    const int w = grey.width(), h = grey.height(), span = 2 * radius + 1;
    std::vector<std::uint8_t> line(std::size_t(std::max(w, h)));
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = grey.scanLine(y);
            std::copy(row, row + w, line.begin());
            int sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += line[std::size_t(std::clamp(k, 0, w - 1))];
            for (int x = 0; x < w; ++x) {
                row[x] = std::uint8_t(sum / span);
                sum += line[std::size_t(std::min(x + radius + 1, w - 1))] - line[std::size_t(std::max(x - radius, 0))];
            }
        }
        // Columns: a running sum per column over a copy of the rows.
        const QImage source = grey.copy();
        std::vector<int> sums(std::size_t(w), 0);
        for (int k = -radius; k <= radius; ++k) {
            const std::uint8_t* row = source.constScanLine(std::clamp(k, 0, h - 1));
            for (int x = 0; x < w; ++x)
                sums[std::size_t(x)] += row[x];
        }
        for (int y = 0; y < h; ++y) {
            std::uint8_t* out = grey.scanLine(y);
            const std::uint8_t* entering = source.constScanLine(std::min(y + radius + 1, h - 1));
            const std::uint8_t* leaving = source.constScanLine(std::max(y - radius, 0));
            for (int x = 0; x < w; ++x) {
                out[x] = std::uint8_t(sums[std::size_t(x)] / span);
                sums[std::size_t(x)] += entering[x] - leaving[x];
            }
        }
    }
}

// 255 round the windows, 0 in them; the windows grown by outline pixels.
QImage WindowMask(const Design& design, QPointF offset, double outline = 0)
{
    QImage mask(design.size, QImage::Format_Grayscale8);
    mask.fill(255);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(outline > 0 ? QPen(Qt::black, 2 * outline) : QPen(Qt::NoPen));
    painter.setBrush(Qt::black);
    for (const PhotoWindow& window : design.windows)
        painter.drawPath(WindowPath(window).translated(offset));
    return mask;
}

}  // namespace

void CastDropShadows(QImage& frame, const Design& design, double matWidth)
{
    QImage light = WindowMask(design, kShadowOffset, matWidth);
    BoxBlur(light, kShadowBlur);
    for (int y = 0; y < frame.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(frame.scanLine(y));
        const std::uint8_t* lit = light.constScanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const double keep = 1 - kDropShadowStrength * (255 - lit[x]) / 255.0;
            const QRgb c = pixel[x];
            pixel[x] = qRgb(int(qRed(c) * keep), int(qGreen(c) * keep), int(qBlue(c) * keep));
        }
    }
}

QImage PaintWindowMask(const Design& design)
{
    QImage mask = WindowMask(design, {0, 0});
    QImage shadow = WindowMask(design, kShadowOffset);
    BoxBlur(shadow, kShadowBlur);
    for (int y = 0; y < mask.height(); ++y) {
        std::uint8_t* out = mask.scanLine(y);
        const std::uint8_t* shade = shadow.constScanLine(y);
        for (int x = 0; x < mask.width(); ++x)
            out[x] = std::max(out[x], std::uint8_t(shade[x] * kInnerShadowStrength));
    }
    return mask;
}
