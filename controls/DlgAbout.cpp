#include "controls/DlgAbout.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/AppStrings.h"
#include "controls/PxSkinButton.h"
#include "controls/VersionReader.h"

namespace {

// 11 points at the 96 dots per inch of the picture's pixel layout.
constexpr int kFontPixels = 15;

}  // namespace

CDlgAbout::CDlgAbout(QWidget* parent, const std::filesystem::path& skinFolder)
    : CSkinDialog(skinFolder / "about.png", FormatPng, parent), m_btnOk(new PxSkinButton(this))
{
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

void CDlgAbout::paintEvent(QPaintEvent* event)
{
    if (!HasBackground())
        return;
    CSkinDialog::paintEvent(event);
    QPainter painter(this);

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

void CDlgAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}
