#include "tools/LibraryArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "tools/LibraryOrnaments.h"
#include "tools/LibraryShadows.h"

namespace {

// The mat's cut edge round a window, and the line outside it.
constexpr double kBevel = 12;
constexpr double kWindowRule = 5;

// Random numbers that are the same on every machine: the engine's output is
// fixed by the standard, the distributions are not, so none is used.
class Dice {
public:
    explicit Dice(const std::string& seed) : m_engine(Fnv1a(seed)) {}
    double Between(double low, double high) { return low + (high - low) * (m_engine() / 4294967296.0); }
    std::size_t Pick(std::size_t count) { return std::size_t(m_engine() % count); }

private:
    static std::uint32_t Fnv1a(const std::string& text)
    {
        std::uint32_t hash = 2166136261u;
        for (const unsigned char c : text)
            hash = (hash ^ c) * 16777619u;
        return hash;
    }
    std::mt19937 m_engine;
};

struct Scene {
    const Design& design;
    QPainter& painter;
    Dice dice;
    QRectF inside;                // within the border
    std::vector<QRectF> keepOut;  // windows with their mats, texts
    std::vector<QColor> colours;  // of the ornament being painted

    double Width() const { return design.size.width(); }
    double Height() const { return design.size.height(); }
    const QColor& Colour(std::size_t i) const
    {
        return colours.empty() ? design.scheme.accent : colours[i % colours.size()];
    }
    QColor AnyColour() { return Colour(dice.Pick(std::max<std::size_t>(1, colours.size()))); }
    bool IsFree(QPointF centre, double radius) const
    {
        if (!inside.adjusted(radius, radius, -radius, -radius).contains(centre))
            return false;
        return std::none_of(keepOut.begin(), keepOut.end(), [&](const QRectF& box) {
            return box.adjusted(-radius, -radius, radius, radius).contains(centre);
        });
    }
};

double BorderInset(Border border)
{
    switch (border) {
    case Border::None:
        return 24;
    case Border::DoubleRule:
    case Border::Flourish:
        return 80;
    case Border::Airmail:
        return 70;
    case Border::Stamp:
        return 100;
    }
    return 0;
}

// Centres for count ornaments of the given radius in the free parts of area,
// at least gap apart; fewer where the area is crowded.
std::vector<QPointF> Scatter(Scene& scene, const QRectF& area, int count, double radius, double gap)
{
    std::vector<QPointF> points;
    for (int attempt = 0; attempt < count * 40 && int(points.size()) < count; ++attempt) {
        const QPointF p(scene.dice.Between(area.left(), area.right()), scene.dice.Between(area.top(), area.bottom()));
        const bool crowded = std::any_of(points.begin(), points.end(), [&](QPointF q) {
            return std::hypot(p.x() - q.x(), p.y() - q.y()) < gap;
        });
        if (!crowded && scene.IsFree(p, radius))
            points.push_back(p);
    }
    return points;
}

void PaintBackdrop(QPainter& painter, const Design& design)
{
    const ColourScheme& scheme = design.scheme;
    const QRectF card(QPointF(0, 0), design.size);
    const double w = card.width(), h = card.height();
    auto twoColours = [&](QGradient& gradient) {
        gradient.setColorAt(0, scheme.paper);
        gradient.setColorAt(1, scheme.paperEdge);
        painter.fillRect(card, gradient);
    };
    switch (design.backdrop) {
    case Backdrop::Vertical:
    case Backdrop::Grid: {
        QLinearGradient gradient(0, 0, 0, h);
        twoColours(gradient);
        break;
    }
    case Backdrop::Diagonal: {
        QLinearGradient gradient(0, 0, w, h);
        twoColours(gradient);
        break;
    }
    case Backdrop::Radial:
    case Backdrop::Dots: {
        QRadialGradient gradient(w / 2, h / 2, std::hypot(w, h) / 2);
        twoColours(gradient);
        break;
    }
    case Backdrop::Stripes:
        painter.fillRect(card, scheme.paper);
        for (double x = 0; x < w; x += 120)
            painter.fillRect(QRectF(x, 0, 60, h), scheme.paperEdge);
        break;
    }
    painter.setPen(Qt::NoPen);
    if (design.backdrop == Backdrop::Dots) {
        QColor dot = scheme.accent;
        dot.setAlpha(55);
        painter.setBrush(dot);
        for (int row = 0; row * 70.0 < h + 70; ++row)
            for (double x = row % 2 ? 35 : 0; x < w + 70; x += 70)
                painter.drawEllipse(QPointF(x, row * 70.0), 9, 9);
    }
    if (design.backdrop == Backdrop::Grid) {
        QColor line = scheme.accent;
        line.setAlpha(45);
        painter.setPen(QPen(line, 3));
        for (double x = 50; x < w; x += 100)
            painter.drawLine(QPointF(x, 0), QPointF(x, h));
        for (double y = 50; y < h; y += 100)
            painter.drawLine(QPointF(0, y), QPointF(w, y));
    }
}

void PaintBalloons(Scene& scene)
{
    // The bunch rises in the widest free column beside the windows.
    double left = scene.Width(), right = 0;
    for (const PhotoWindow& window : scene.design.windows) {
        left = std::min(left, window.box.left());
        right = std::max(right, window.box.right());
    }
    const bool onRight = scene.Width() - right >= left;
    const double columnLeft = onRight ? right + 40 : scene.inside.left();
    const double columnRight = onRight ? scene.inside.right() : left - 40;
    const double radius = std::min(118.0, (columnRight - columnLeft) * 0.23);
    const QPointF centre((columnLeft + columnRight) / 2, scene.inside.top() + radius * 2.2);
    const QPointF tie = centre + QPointF(0, std::min(scene.Height() * 0.45, radius * 6.5));
    const QPointF offsets[] = {{-1.05, 0.35}, {1.05, 0.4}, {0, -0.25}, {-0.5, 1.3}, {0.6, 1.35}};
    for (std::size_t i = 0; i < std::size(offsets); ++i) {
        const QPointF at = centre + offsets[i] * radius * 1.05;
        DrawBalloon(scene.painter, at, radius * scene.dice.Between(0.85, 1.0), scene.Colour(i), tie);
    }
    scene.painter.setPen(QPen(scene.design.scheme.accent, 6, Qt::SolidLine, Qt::RoundCap));
    scene.painter.drawLine(tie, tie + QPointF(0, 40));
}

void PaintBunting(Scene& scene)
{
    const double left = scene.inside.left() - 20, right = scene.inside.right() + 20;
    const double top = scene.inside.top() - 30, sag = 70;
    auto along = [&](double t) {
        return QPointF(left + (right - left) * t, top + sag * 4 * t * (1 - t));
    };
    scene.painter.setPen(QPen(Tint(scene.design.scheme.accent, -0.2), 4));
    for (int i = 0; i < 100; ++i)
        scene.painter.drawLine(along(i / 100.0), along((i + 1) / 100.0));
    const int flags = int((right - left) / 120);
    for (int i = 0; i < flags; ++i) {
        const double t0 = (i + 0.12) / flags, t1 = (i + 0.88) / flags;
        DrawPennant(scene.painter, along(t0), along(t1), 115, scene.Colour(std::size_t(i)));
    }
}

void PaintScattered(Scene& scene, Decoration decoration)
{
    QPainter& painter = scene.painter;
    struct Spread {
        int count;
        double smallest, largest;
    };
    const Spread spread = [&]() -> Spread {
        switch (decoration) {
        case Decoration::Confetti:
            return {110, 9, 20};
        case Decoration::Stars:
            return {24, 14, 34};
        case Decoration::Sparkles:
            return {34, 10, 30};
        case Decoration::Hearts:
            return {20, 22, 42};
        case Decoration::Snowflakes:
            return {30, 16, 46};
        case Decoration::FallingLeaves:
            return {24, 32, 54};
        default:
            return {0, 0, 0};
        }
    }();
    const double largest = spread.largest;
    for (const QPointF at : Scatter(scene, scene.inside, spread.count, largest, largest * 2.3)) {
        const double size = scene.dice.Between(spread.smallest, largest);
        const double turn = scene.dice.Between(-180, 180);
        QColor colour = scene.AnyColour();
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        switch (decoration) {
        case Decoration::Confetti:
            if (scene.dice.Pick(3) == 0) {
                painter.drawEllipse(at, size * 0.6, size * 0.6);
            } else {
                painter.save();
                painter.translate(at);
                painter.rotate(turn);
                painter.drawRoundedRect(QRectF(-size * 0.4, -size, size * 0.8, size * 2), 2, 2);
                painter.restore();
            }
            break;
        case Decoration::Stars:
            painter.drawPath(StarPath(at, size, 5, 0.45));
            break;
        case Decoration::Sparkles:
            painter.drawPath(StarPath(at, size, 4, 0.28));
            break;
        case Decoration::Hearts:
            painter.drawPath(HeartPath(QRectF(at.x() - size, at.y() - size, size * 2, size * 1.8)));
            break;
        case Decoration::Snowflakes:
            colour.setAlpha(int(scene.dice.Between(120, 230)));
            DrawSnowflake(painter, at, size, colour);
            break;
        case Decoration::FallingLeaves:
            DrawLeaf(painter, at - QPointF(size, 0), size * 2, turn, colour);
            break;
        default:
            break;
        }
    }
}

void PaintBaubles(Scene& scene)
{
    const ColourScheme& scheme = scene.design.scheme;
    const int wanted = 7;
    int hung = 0;
    for (int attempt = 0; attempt < 200 && hung < wanted; ++attempt) {
        const double radius = scene.dice.Between(42, 66);
        const QPointF at(scene.dice.Between(scene.inside.left(), scene.inside.right()),
                         scene.dice.Between(scene.inside.top() + 120, scene.Height() * 0.45));
        if (!scene.IsFree(at, radius * 1.6))
            continue;
        QPen thread(Tint(scheme.accent, 0.2), 3);
        scene.painter.setPen(thread);
        scene.painter.drawLine(QPointF(at.x(), 0), at - QPointF(0, radius * 1.25));
        DrawBauble(scene.painter, at, radius, scene.Colour(std::size_t(hung)), scheme.accent);
        scene.keepOut.push_back(QRectF(at.x() - radius, 0, radius * 2, at.y() + radius));
        ++hung;
    }
}

void PaintHolly(Scene& scene)
{
    const QColor leaf = scene.Colour(0), berry = scene.Colour(1);
    const QRectF& inside = scene.inside;
    // A sprig in the top-left and the bottom-right corner, pointing inwards.
    for (const auto& [corner, heading] : {std::pair{inside.topLeft() + QPointF(60, 60), 45.0},
                                          std::pair{inside.bottomRight() - QPointF(60, 60), 225.0}}) {
        for (const double spread : {-34.0, 0.0, 34.0})
            DrawHollyLeaf(scene.painter, corner, 210, heading + spread, leaf);
        for (int i = 0; i < 3; ++i)
            DrawBerry(scene.painter, corner + QPointF(std::cos(i * 2.1) * 26, std::sin(i * 2.1) * 26), 24, berry);
        scene.keepOut.push_back(QRectF(corner - QPointF(240, 240), QSizeF(480, 480)));
    }
}

void PaintVines(Scene& scene)
{
    QPainter& painter = scene.painter;
    const QColor stem = Tint(scene.Colour(0), -0.25);
    for (const double x : {scene.inside.left() + 24, scene.inside.right() - 24}) {
        const double top = scene.inside.top() + 20, bottom = scene.inside.bottom() - 20;
        QPainterPath vine(QPointF(x, bottom));
        for (double y = bottom; y > top; y -= 10)
            vine.lineTo(x + 14 * std::sin(y / 70), y);
        painter.setPen(QPen(stem, 7, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(vine);
        int side = 1;
        for (double y = bottom - 30; y > top + 20; y -= 66, side = -side) {
            const QPointF base(x + 14 * std::sin(y / 70), y);
            const double length = scene.dice.Between(74, 96);
            if (scene.IsFree(base + QPointF(side * length * 0.5, -length * 0.3), length * 0.4))
                DrawLeaf(painter, base, length, side > 0 ? -35 : -145, scene.Colour(side > 0 ? 1 : 2));
        }
    }
}

void PaintRings(Scene& scene, const std::vector<QRectF>& textBoxes)
{
    if (textBoxes.empty())
        return;
    const QRectF& text = textBoxes.front();
    const double radius = 60;
    DrawRings(scene.painter, QPointF(text.center().x(), text.top() - radius - 24), radius, scene.design.scheme.accent);
}

void PaintSky(Scene& scene, Decoration decoration)
{
    const QPointF corner(scene.inside.right() - 130, scene.inside.top() + 130);
    if (decoration == Decoration::MoonAndStars) {
        DrawCrescent(scene.painter, corner, 105, scene.Colour(0));
        scene.keepOut.push_back(QRectF(corner - QPointF(120, 120), QSizeF(240, 240)));
        scene.painter.setPen(Qt::NoPen);
        for (const QPointF at : Scatter(scene, scene.inside, 26, 16, 90)) {
            scene.painter.setBrush(scene.Colour(1 + scene.dice.Pick(2)));
            scene.painter.drawPath(StarPath(at, scene.dice.Between(9, 18), 5, 0.45));
        }
    } else if (decoration == Decoration::Sun) {
        DrawSun(scene.painter, corner, 70, scene.Colour(0));
        scene.keepOut.push_back(QRectF(corner - QPointF(130, 130), QSizeF(260, 260)));
    } else {
        const QRectF upper(scene.inside.left(), scene.inside.top(), scene.inside.width(), scene.Height() * 0.45);
        for (const QPointF at : Scatter(scene, upper, 4, 90, 460))
            DrawCloud(scene.painter, at, scene.dice.Between(320, 420), scene.Colour(scene.dice.Pick(2)));
    }
}

// Layered bands of peaks or swells along the bottom edge, the far ones paler.
void PaintLandscape(Scene& scene, Decoration decoration)
{
    QPainter& painter = scene.painter;
    const double w = scene.Width(), h = scene.Height();
    for (int layer = 0; layer < 3; ++layer) {
        const double base = h - 250 + layer * 75;
        QPainterPath band(QPointF(0, h));
        if (decoration == Decoration::Waves) {
            const double phase = layer * 1.7, length = 260 - layer * 30;
            for (double x = 0; x <= w + 10; x += 10)
                band.lineTo(x, base + 22 * std::sin(x / length * 2 * std::numbers::pi + phase));
        } else {
            // Broad peaks with a shoulder on one flank, rounded valleys between.
            for (double x = -150; x < w + 200;) {
                const double span = scene.dice.Between(380, 560), peak = scene.dice.Between(150, 280) - layer * 30;
                const QPointF top(x + span * scene.dice.Between(0.4, 0.6), base - peak);
                band.lineTo(top - QPointF(span * 0.18, -peak * 0.28));
                band.lineTo(top);
                band.lineTo(top + QPointF(span * 0.12, peak * 0.18));
                band.quadTo(x + span, base + 10, x + span, base);
                x += span;
            }
        }
        band.lineTo(w + 200, h);
        band.closeSubpath();
        painter.setPen(decoration == Decoration::Waves ? QPen(QColor(255, 255, 255, 170), 5) : Qt::NoPen);
        painter.setBrush(scene.Colour(std::size_t(layer)));
        painter.drawPath(band);
    }
}

void PaintFlightPath(Scene& scene, const std::vector<QRectF>& textBoxes)
{
    // The route sweeps in an S through the column left of the windows,
    // below any text there.
    double right = scene.inside.right();
    for (const PhotoWindow& window : scene.design.windows)
        right = std::min(right, window.box.left() - 90);
    double top = scene.inside.top() + 40;
    for (const QRectF& text : textBoxes)
        if (text.left() < right)
            top = std::max(top, text.bottom() + 70);
    const QRectF region(QPointF(scene.inside.left() + 40, top), QPointF(right, scene.inside.bottom() - 40));
    const QPointF end = region.topRight();
    QPainterPath route(region.bottomLeft());
    route.cubicTo(region.bottomRight() + QPointF(0, -region.height() * 0.1), region.topLeft(), end);
    QPen dashes(scene.design.scheme.accent, 5, Qt::CustomDashLine, Qt::RoundCap);
    dashes.setDashPattern({4, 4});
    scene.painter.setPen(dashes);
    scene.painter.setBrush(Qt::NoBrush);
    scene.painter.drawPath(route);
    const QPointF heading = end - route.pointAtPercent(0.97);
    DrawPaperPlane(scene.painter, end + heading * 2, 150, std::atan2(heading.y(), heading.x()) * 180 / std::numbers::pi,
                   scene.Colour(0));
}

void PaintOrnament(Scene& scene, const Ornament& ornament, const std::vector<QRectF>& textBoxes)
{
    scene.colours = ornament.colours;
    const Decoration decoration = ornament.kind;
    switch (decoration) {
    case Decoration::Balloons:
        return PaintBalloons(scene);
    case Decoration::Bunting:
        return PaintBunting(scene);
    case Decoration::Baubles:
        return PaintBaubles(scene);
    case Decoration::Holly:
        return PaintHolly(scene);
    case Decoration::Vines:
        return PaintVines(scene);
    case Decoration::Rings:
        return PaintRings(scene, textBoxes);
    case Decoration::MoonAndStars:
    case Decoration::Sun:
    case Decoration::Clouds:
        return PaintSky(scene, decoration);
    case Decoration::Waves:
    case Decoration::Mountains:
        return PaintLandscape(scene, decoration);
    case Decoration::FlightPath:
        return PaintFlightPath(scene, textBoxes);
    default:
        return PaintScattered(scene, decoration);
    }
}

// A line, the lit cut edge, and under the window a dark fill that the mask's
// shadow lets through onto the photo.
void PaintWindowMat(QPainter& painter, const ColourScheme& scheme, const PhotoWindow& window)
{
    const QPainterPath path = WindowPath(window);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(scheme.accent, 2 * (kBevel + kWindowRule)));
    painter.drawPath(path);
    QLinearGradient light(window.box.topLeft(), window.box.bottomRight());
    light.setColorAt(0, Tint(scheme.bevel, 0.45));
    light.setColorAt(1, Tint(scheme.bevel, -0.18));
    painter.setPen(QPen(QBrush(light), 2 * kBevel));
    painter.drawPath(path);
    painter.fillPath(path, QColor(24, 20, 18));
}

void PaintBorder(QPainter& painter, const Design& design)
{
    const QColor& accent = design.scheme.accent;
    const QRectF card(QPointF(0, 0), design.size);
    painter.setBrush(Qt::NoBrush);
    switch (design.border) {
    case Border::None:
        break;
    case Border::DoubleRule: {
        painter.setPen(QPen(accent, 6));
        painter.drawRect(card.adjusted(40, 40, -40, -40));
        const QRectF inner = card.adjusted(58, 58, -58, -58);
        painter.setPen(QPen(accent, 3));
        painter.drawRect(inner);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        for (const QPointF corner : {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
            painter.drawPath(StarPath(corner, 14, 2, 0.6));
        break;
    }
    case Border::Flourish: {
        // An outer rule broken where the scrolls curl, a full inner one.
        const QRectF rule = card.adjusted(44, 44, -44, -44);
        constexpr double kGap = 165;
        painter.setPen(QPen(accent, 4));
        for (const double y : {rule.top(), rule.bottom()})
            painter.drawLine(QPointF(rule.left() + kGap, y), QPointF(rule.right() - kGap, y));
        for (const double x : {rule.left(), rule.right()})
            painter.drawLine(QPointF(x, rule.top() + kGap), QPointF(x, rule.bottom() - kGap));
        painter.drawRect(rule.adjusted(14, 14, -14, -14));
        DrawCornerScroll(painter, rule.topLeft(), 150, 1, 1, accent);
        DrawCornerScroll(painter, rule.topRight(), 150, -1, 1, accent);
        DrawCornerScroll(painter, rule.bottomLeft(), 150, 1, -1, accent);
        DrawCornerScroll(painter, rule.bottomRight(), 150, -1, -1, accent);
        break;
    }
    case Border::Airmail: {
        const QRectF inner = card.adjusted(44, 44, -44, -44);
        QPainterPath band;
        band.addRect(card);
        band.addRect(inner);
        painter.save();
        painter.setClipPath(band);
        painter.fillRect(card, QColor(250, 248, 242));
        const QColor bars[] = {QColor(0xc4, 0x1e, 0x3a), QColor(0x1f, 0x3f, 0x8c)};
        painter.setPen(Qt::NoPen);
        const double span = card.width() + card.height();
        for (int i = 0; i * 70.0 < span; ++i) {
            painter.setBrush(bars[i % 2]);
            const double x = i * 70.0 - card.height();
            painter.drawPolygon(QPolygonF({{x, card.height()}, {x + 40, card.height()},
                                           {x + 40 + card.height(), 0}, {x + card.height(), 0}}));
        }
        painter.restore();
        painter.setPen(QPen(accent, 3));
        painter.drawRect(inner);
        break;
    }
    case Border::Stamp: {
        const QRectF paper = card.adjusted(60, 60, -60, -60);
        QPainterPath margin;
        margin.addRect(card);
        margin.addRect(paper);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawPath(margin);
        // The perforation bites into the paper's edge.
        const double pitch = 40;
        for (double x = paper.left(); x <= paper.right() + 1; x += paper.width() / std::round(paper.width() / pitch)) {
            painter.drawEllipse(QPointF(x, paper.top()), 12, 12);
            painter.drawEllipse(QPointF(x, paper.bottom()), 12, 12);
        }
        for (double y = paper.top(); y <= paper.bottom() + 1; y += paper.height() / std::round(paper.height() / pitch)) {
            painter.drawEllipse(QPointF(paper.left(), y), 12, 12);
            painter.drawEllipse(QPointF(paper.right(), y), 12, 12);
        }
        painter.setPen(QPen(Tint(accent, 0.3), 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(paper.adjusted(40, 40, -40, -40));
        break;
    }
    }
}

}  // namespace

TemplateArt PaintTemplate(const Design& design, const std::vector<QRectF>& textBoxes)
{
    QImage frame(design.size, QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBackdrop(painter, design);

    Scene scene{design, painter, Dice(design.category + "/" + design.name), {}, {}, {}};
    const double inset = BorderInset(design.border);
    scene.inside = QRectF(QPointF(0, 0), design.size).adjusted(inset, inset, -inset, -inset);
    const double matWidth = kBevel + kWindowRule + 30;
    for (const PhotoWindow& window : design.windows)
        scene.keepOut.push_back(window.box.adjusted(-matWidth, -matWidth, matWidth, matWidth));
    for (const QRectF& text : textBoxes)
        scene.keepOut.push_back(text.adjusted(-24, -12, 24, 12));
    for (const Ornament& ornament : design.ornaments)
        PaintOrnament(scene, ornament, textBoxes);
    painter.end();

    CastDropShadows(frame, design, kBevel + kWindowRule);
    painter.begin(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const PhotoWindow& window : design.windows)
        PaintWindowMat(painter, design.scheme, window);
    PaintBorder(painter, design);
    painter.end();
    return {frame, PaintWindowMask(design)};
}
