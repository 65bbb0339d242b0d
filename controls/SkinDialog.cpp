#include "controls/SkinDialog.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

namespace {

constexpr int kCornerEllipse = 10;

// A w x h box whose corners are quarters of 10 x 10 ellipses.
QRegion RoundedBox(int w, int h)
{
    const int e = kCornerEllipse, r = kCornerEllipse / 2;
    QRegion region = QRegion(r, 0, w - 2 * r, h) + QRegion(0, r, w, h - 2 * r);
    for (const QPoint corner : {QPoint(0, 0), QPoint(w - e, 0), QPoint(0, h - e), QPoint(w - e, h - e)})
        region += QRegion(QRect(corner, QSize(e, e)), QRegion::Ellipse);
    return region;
}

}  // namespace

CSkinDialog::CSkinDialog(const std::filesystem::path& background, std::uint32_t format, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    m_imgBack.Load(background, format);
    const PxImage& back = m_imgBack.picture;
    const int w = int(back.GetWidth()), h = int(back.GetHeight());
    setFixedSize(w, h);
    if (back.IsValid())
        setMask(RoundedBox(w, h));
}

void CSkinDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintSkinImage(painter, rect(), m_imgBack);
}

void CSkinDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    // The window system moves the dialog where it can (Wayland allows no
    // other way); elsewhere the dialog follows the pointer itself.
    m_dragOffset.reset();
    if (!windowHandle() || !windowHandle()->startSystemMove())
        m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragOffset)
        move(event->globalPosition().toPoint() - *m_dragOffset);
}
