#include "controls/StatusBarEx.h"

#include <algorithm>

#include <QPainter>

namespace {

// 10 points at the 96 dots per inch the skin's pixel layout is made for.
constexpr int kFontPixels = 13;

}  // namespace

CStatusBarEx::CStatusBarEx(QWidget* parent, const std::filesystem::path& skinFolder)
    : QWidget(parent), m_hbmBack(LoadSkinBitmap(skinFolder / "status.jpg"))
{
    setMinimumHeight(kMinHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

CStatusBarEx::~CStatusBarEx() = default;

void CStatusBarEx::SetPaneText(int pane, const QString& text)
{
    if (pane < 0 || pane >= kPaneCount || m_panes[pane] == text)
        return;
    m_panes[pane] = text;
    update();
}

QString CStatusBarEx::PaneText(int pane) const
{
    return pane >= 0 && pane < kPaneCount ? m_panes[pane] : QString();
}

QRect CStatusBarEx::PaneRect(int pane) const
{
    // From the right edge: pane 2, a gap, pane 1, a gap, then pane 0 takes
    // what is left.
    const int W = width(), top = kTopBorder, height = std::max(0, this->height() - kTopBorder);
    const int right = W - (kPaneCount - 1 - pane) * (kFixedPaneWidth + kPaneGap);
    if (pane == 0)
        return QRect(0, top, std::max(0, right), height);
    return QRect(right - kFixedPaneWidth, top, kFixedPaneWidth, height);
}

QSize CStatusBarEx::sizeHint() const
{
    return QSize(3 * kFixedPaneWidth, kMinHeight);
}

void CStatusBarEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int W = width(), H = height();
    if (m_hbmBack) {
        const int bw = m_hbmBack->Width(), bh = m_hbmBack->Height();
        DrawSkin(painter, QRect(0, 0, 2, H), *m_hbmBack, QRect(0, 0, 2, H));
        DrawSkin(painter, QRect(2, 0, W - 26, H), *m_hbmBack, QRect(2, 0, bw - 26, bh));
        DrawSkin(painter, QRect(W - 24, 0, 24, H), *m_hbmBack, QRect(bw - 24, 0, 24, H));
    }

    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(kFontPixels);
    painter.setFont(font);
    for (int i = 0; i < kPaneCount; ++i) {
        QRect r = PaneRect(i);
        if (i == 0) {
            painter.setPen(Qt::black);
            painter.drawText(QRect(r.left() + 15, r.top(), W, H), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                             m_panes[i]);
            continue;
        }
        // Two 1-pixel lines, grey then white, from top + 1 to bottom - 4
        // (that end excluded).
        const int from = r.top() + 1, to = r.top() + r.height() - 5;
        if (to >= from) {
            painter.setPen(QColor(182, 180, 180));
            painter.drawLine(r.left() - 2, from, r.left() - 2, to);
            painter.setPen(Qt::white);
            painter.drawLine(r.left() - 1, from, r.left() - 1, to);
        }
        r.setLeft(r.left() + 2);
        painter.setPen(Qt::black);
        painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, m_panes[i]);
    }
}
