#include "bars/DlgBarPhoto.h"

#include <QPushButton>

#include "controls/PxSkinButton.h"
#include "model/ImageEx.h"
#include "view/LumivexView.h"

namespace {

struct PhotoButton {
    int id;
    const char* skin;
    const char* tip;
    int x, y;
};
// The "Zoom out" button enlarges and "Zoom in" shrinks: the names stand as
// the skin and the tooltips have them.
constexpr PhotoButton kButtons[] = {
    {IDC_PHOTO_ZOOM_OUT, "larger", "Zoom out", 47, 6},   {IDC_PHOTO_ZOOM_IN, "less", "Zoom in", 72, 6},
    {IDC_PHOTO_MIRROR, "mirror", "Mirror", 113, 6},      {IDC_PHOTO_FLIP, "flip", "Flip", 138, 6},
    {IDC_PHOTO_ROTATE_LEFT, "lr", "Rotate left", 163, 6}, {IDC_PHOTO_ROTATE_RIGHT, "rr", "Rotate Right", 189, 6},
    {IDC_PHOTO_FIT, "fit", "Fit to window (F)", 214, 6},
    {IDC_PHOTO_DELETE, "delete", "Delete photo", 348, 7},
};

}  // namespace

CDlgBarPhoto::CDlgBarPhoto(CLumivexView& view, const Bitmap* background, const Bitmap* label, QWidget* parent)
    : CSubBar(background, label, {103, 224}, parent), m_view(view)
{
    for (const PhotoButton& b : kButtons) {
        PxSkinButton* button = AddSkinButton(b.id, b.skin, {b.x, b.y});
        button->SetTipText(QString::fromLatin1(b.tip));
        m_buttons.push_back(button);
    }
    m_btnDelete = Button(IDC_PHOTO_DELETE);

    m_onTop = new QPushButton(QStringLiteral("On Top Most"), this);
    m_onTop->setCheckable(true);
    m_onTop->setGeometry(240, 6, 85, 22);
    m_onTop->setFocusPolicy(Qt::NoFocus);
    // The toggle stands on the skin: its text on the bar's picture, its
    // frame and checked look drawn lightly over it.
    m_onTop->setStyleSheet(QStringLiteral(
        "QPushButton { background: transparent; border: 1px solid rgba(0,0,0,70); border-radius: 4px; }"
        "QPushButton:hover { background: rgba(255,255,255,60); }"
        "QPushButton:checked { background: rgba(0,0,0,45); border-color: rgba(0,0,0,120); }"));

    connect(Button(IDC_PHOTO_ZOOM_OUT), &QAbstractButton::clicked, this, &CDlgBarPhoto::OnZoomOut);
    connect(Button(IDC_PHOTO_ZOOM_IN), &QAbstractButton::clicked, this, &CDlgBarPhoto::OnZoomIn);
    connect(Button(IDC_PHOTO_MIRROR), &QAbstractButton::clicked, this, &CDlgBarPhoto::OnMirror);
    connect(Button(IDC_PHOTO_FLIP), &QAbstractButton::clicked, this, &CDlgBarPhoto::OnFlip);
    connect(Button(IDC_PHOTO_ROTATE_LEFT), &QAbstractButton::clicked, this, [this] { OnRotate(-90.0f); });
    connect(Button(IDC_PHOTO_ROTATE_RIGHT), &QAbstractButton::clicked, this, [this] { OnRotate(90.0f); });
    connect(Button(IDC_PHOTO_FIT), &QAbstractButton::clicked, this, [this] { m_view.FitSelectedPhoto(); });
    connect(m_btnDelete, &QAbstractButton::clicked, this, &CDlgBarPhoto::OnDelete);
}

PxSkinButton* CDlgBarPhoto::Button(int id) const
{
    for (std::size_t i = 0; i < std::size(kButtons); ++i)
        if (kButtons[i].id == id)
            return m_buttons[i];
    return nullptr;
}

bool CDlgBarPhoto::IsOnTopMost() const
{
    return m_onTop->isChecked();
}

void CDlgBarPhoto::resizeEvent(QResizeEvent* event)
{
    CSubBar::resizeEvent(event);
    m_btnDelete->move(width() - 63, 7);
}

ImageEx* CDlgBarPhoto::SelectedPhoto() const
{
    return dynamic_cast<ImageEx*>(m_view.GetDocument().m_workArea.GetSelected());
}

void CDlgBarPhoto::Zoom(double factor)
{
    ImageEx* photo = SelectedPhoto();
    if (!photo)
        return;
    const SIZE size = photo->GetSize();
    const SIZE next{LONG(size.cx * factor + 0.5), LONG(size.cy * factor + 0.5)};
    // Larger than 999 or smaller than 11 displayed pixels is refused.
    if (factor > 1 ? (next.cx >= 1000 || next.cy >= 1000) : (next.cx <= 10 || next.cy <= 10))
        return;
    m_view.RecordStep();
    photo->SetSize(next);
    m_view.GetDocument().m_workArea.SetModified(true);
    m_view.UpdateTrackerRect();
    m_view.RedrawCard();
}

void CDlgBarPhoto::OnZoomOut()
{
    Zoom(1.5);
}

void CDlgBarPhoto::OnZoomIn()
{
    Zoom(0.6666666666666666);
}

void CDlgBarPhoto::OnMirror()
{
    if (ImageEx* photo = SelectedPhoto()) {
        m_view.RecordStep();
        photo->ToggleFlipMirror(false);
        m_view.GetDocument().m_workArea.SetModified(true);
        m_view.RedrawCard();
    }
}

void CDlgBarPhoto::OnFlip()
{
    if (ImageEx* photo = SelectedPhoto()) {
        m_view.RecordStep();
        photo->ToggleFlipMirror(true);
        m_view.GetDocument().m_workArea.SetModified(true);
        m_view.RedrawCard();
    }
}

void CDlgBarPhoto::OnRotate(float degrees)
{
    if (ImageEx* photo = SelectedPhoto()) {
        m_view.RecordStep();
        photo->Rotate(degrees);
        m_view.GetDocument().m_workArea.SetModified(true);
        m_view.UpdateTrackerRect();
        m_view.RedrawCard();
    }
}

void CDlgBarPhoto::OnDelete()
{
    m_view.DeleteSelection();
}
