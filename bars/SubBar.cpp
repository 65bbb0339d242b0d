#include "bars/SubBar.h"

#include <QPainter>

#include "controls/PxSkinButton.h"
#include "controls/SkinBitmaps.h"

CSubBar::CSubBar(const SkinBitmap* background, const SkinBitmap* label, std::vector<int> separators, QWidget* parent)
    : QWidget(parent), m_background(background), m_label(label), m_separators(std::move(separators))
{
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSubBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int W = width(), H = height();
    if (m_background) {
        const int w = m_background->Width(), h = m_background->Height();
        DrawSkin(painter, QRect(0, 0, 2, H), *m_background, QRect(0, 0, 2, H));
        DrawSkin(painter, QRect(2, 0, W - 4, H), *m_background, QRect(2, 0, w - 4, h));
        DrawSkin(painter, QRect(W - 2, 0, 2, H), *m_background, QRect(w - 2, 0, 2, H));
    }
    if (m_label)
        DrawSkin(painter, QRect(0, 0, m_label->Width(), m_label->Height()), *m_label,
                 QRect(0, 0, m_label->Width(), m_label->Height()));
    // Lines from y = 6 up to, not including, y = 27.
    for (const int x : m_separators) {
        painter.fillRect(QRect(x, 6, 1, 21), QColor(157, 166, 165));
        painter.fillRect(QRect(x + 1, 6, 1, 21), Qt::white);
    }
}

PxSkinButton* CSubBar::AddSkinButton(int id, const char* skin, QPoint at)
{
    const std::filesystem::path skins = SkinFolder();
    auto* button = new PxSkinButton(this);
    button->setProperty("controlId", id);
    button->LoadSkinImages(skins / (std::string(skin) + "_up.jpg"), skins / (std::string(skin) + "_down.jpg"));
    button->move(at);
    return button;
}
