#include "controls/PxSkinButton.h"

#include <QMenu>
#include <QMouseEvent>

PxSkinButton::PxSkinButton(QWidget* parent, Style style) : QAbstractButton(parent), m_nStyle(style)
{
    setCheckable(style != PushButton);
    // Clicking a bar button must not take the keyboard from the card view.
    setFocusPolicy(Qt::TabFocus);
    // Connected before any owner's handler, so the menu opens first.
    connect(this, &QAbstractButton::clicked, this, &PxSkinButton::ShowPopupMenu);
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked && m_nStyle == RadioButton)
            UncheckOtherRadios();
    });
}

PxSkinButton::~PxSkinButton() = default;

void PxSkinButton::LoadSkinImages(const std::filesystem::path& upPath, const std::filesystem::path& downPath)
{
    m_imgDown.Load(downPath, FormatJpg);
    m_imgUp.Load(upPath, FormatJpg);
    setGeometry(QRect(QPoint(0, 0), sizeHint()));
    updateGeometry();
    update();
}

void PxSkinButton::SetTipText(const QString& text)
{
    setToolTip(text);
}

void PxSkinButton::AttachPopupMenu(QMenu* menu, bool repaint)
{
    if (menu != m_pPopupMenu) {
        delete m_pPopupMenu;
        m_pPopupMenu = menu;
        if (menu) {
            menu->setParent(this, menu->windowFlags());
            connect(menu, &QMenu::triggered, this, [this](QAction* action) {
                bool isId = false;
                const int id = action->data().toInt(&isId);
                if (isId)
                    emit menuCommand(id);
            });
        }
    }
    if (repaint)
        update();
}

void PxSkinButton::SetHeld(bool held)
{
    m_bHeld = held;
    update();
}

QSize PxSkinButton::sizeHint() const
{
    // An emptied picture keeps its old header: only a valid one has a size.
    const PxImage& up = m_imgUp.picture;
    return up.IsValid() ? QSize(int(up.GetWidth()), int(up.GetHeight())) : QSize(0, 0);
}

void PxSkinButton::paintEvent(QPaintEvent*)
{
    // An empty picture paints nothing: what lies below shows through.
    QPainter painter(this);
    PaintSkinImage(painter, rect(), isDown() || m_bTracking || m_bHeld ? m_imgDown : m_imgUp);
}

void PxSkinButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (isEnabled()) {
        m_bTracking = true;
        update();
    }
}

void PxSkinButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_bTracking = false;
    update();
}

void PxSkinButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_bTracking) {
        m_bTracking = inside;
        update();
    }
}

void PxSkinButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    // A disabled button stops reacting, to the pointer too.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_bTracking) {
        m_bTracking = false;
        update();
    }
}

void PxSkinButton::nextCheckState()
{
    // A check box toggles; a radio button only ever turns on.
    setChecked(m_nStyle == RadioButton || !isChecked());
}

void PxSkinButton::ShowPopupMenu()
{
    if (m_pPopupMenu)
        m_pPopupMenu->popup(mapToGlobal(QPoint(width(), height())));
}

void PxSkinButton::UncheckOtherRadios()
{
    if (!parentWidget())
        return;
    for (PxSkinButton* other : parentWidget()->findChildren<PxSkinButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->m_nStyle == RadioButton)
            other->setChecked(false);
}
