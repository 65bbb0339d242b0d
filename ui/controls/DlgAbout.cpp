#include "ui/controls/DlgAbout.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

#include "ui/controls/AppStrings.h"
#include "ui/controls/CanvasPainter.h"
#include "ui/controls/PxSkinButton.h"
#include "ui/controls/VersionReader.h"

namespace {

// 11 points at the 96 dots per inch of the picture's pixel layout.
constexpr int kFontPixels = 15;
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

CDlgAbout::CDlgAbout(QWidget* parent, const std::filesystem::path& skinFolder)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_btnOk(new PxSkinButton(this))
{
    m_imgBack.Load(skinFolder / "about.png", FormatPng);
    const int w = int(m_imgBack.GetWidth()), h = int(m_imgBack.GetHeight());
    setFixedSize(w, h);
    if (m_imgBack.IsValid())
        setMask(RoundedBox(w, h));

    m_btnOk->LoadSkinImages(skinFolder / "ok_up.jpg", skinFolder / "ok_down.jpg");
    m_btnOk->move(kOkPosition);
    connect(m_btnOk, &QAbstractButton::clicked, this, &QDialog::accept);

    CVersionReader reader;
    if (reader.LoadFromExecutable())
        m_strVersion = QStringLiteral("Version : %1").arg(reader.GetValue(QStringLiteral("ProductVersion")));
    else
        m_strVersion = QString::fromLatin1(kStrFallbackVersion);
}

CDlgAbout::~CDlgAbout() = default;

void CDlgAbout::paintEvent(QPaintEvent*)
{
    if (!m_imgBack.IsValid())
        return;
    QPainter painter(this);
    PaintOnCanvas(painter, rect(), [&](MemoryCanvas& canvas) { m_imgBack.Draw(canvas.Dc(), 0, 0, width(), height()); });

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    painter.setFont(font);
    painter.setPen(Qt::black);
    auto drawLine = [&](QPoint at, const QString& text) {
        painter.drawText(QRect(at, size()), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    };
    drawLine(kVersionPosition, m_strVersion);
    drawLine(kWebsitePosition, QString::fromLatin1(kStrProductWebsite));
    drawLine(kEmailPosition, QString::fromLatin1(kStrSupportEmail));
}

void CDlgAbout::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    // The window system moves the box where it can (Wayland allows no
    // other way); elsewhere the box follows the pointer itself.
    m_dragOffset.reset();
    if (!windowHandle() || !windowHandle()->startSystemMove())
        m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CDlgAbout::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragOffset)
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void CDlgAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}
