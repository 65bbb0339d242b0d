#include "bars/DlgBarPhoto.h"

#include <QPushButton>

#include "app/LumivexDoc.h"
#include "controls/PxSkinButton.h"

namespace {

struct PhotoButton {
    int id;
    const char* skin;
    const char* tip;
    int x, y;
};
// The "Zoom out" button enlarges and "Zoom in" shrinks: the tooltips stand
// as the bar has always shown them.
constexpr PhotoButton kButtons[] = {
    {IDC_PHOTO_ZOOM_OUT, "larger", "Zoom out", 47, 6},   {IDC_PHOTO_ZOOM_IN, "less", "Zoom in", 72, 6},
    {IDC_PHOTO_MIRROR, "mirror", "Mirror", 113, 6},      {IDC_PHOTO_FLIP, "flip", "Flip", 138, 6},
    {IDC_PHOTO_ROTATE_LEFT, "lr", "Rotate left", 163, 6}, {IDC_PHOTO_ROTATE_RIGHT, "rr", "Rotate Right", 189, 6},
    {IDC_PHOTO_FIT, "fit", "Fit to window (F)", 214, 6},  // the separator stands after it
    {IDC_PHOTO_DELETE, "delete", "Delete photo", 348, 7},
};

}  // namespace

CDlgBarPhoto::CDlgBarPhoto(CLumivexDoc& document, const SkinBitmap* background, const SkinBitmap* label,
                           QWidget* parent)
    : CSubBar(background, label, {103, kSecondSeparator}, parent), m_document(document)
{
    for (const PhotoButton& b : kButtons) {
        PxSkinButton* button = AddSkinButton(b.id, b.skin, {b.x, b.y});
        button->SetTipText(QString::fromLatin1(b.tip));
        m_buttons.push_back(button);
    }
    m_btnDelete = Button(IDC_PHOTO_DELETE);

    m_onTop = new QPushButton(QStringLiteral("On Top Most"), this);
    m_onTop->setCheckable(true);
    m_onTop->setGeometry(kSecondSeparator + 16, 6, 85, 22);
    m_onTop->setFocusPolicy(Qt::NoFocus);
    // Photos placed one after another sink as a click would sink them, unless kept on top.
    connect(m_onTop, &QPushButton::toggled, this, [this](bool keep) { m_document.KeepPhotosOnTop(keep); });
    // The toggle stands on the skin: its text on the bar's picture, its
    // frame and checked look drawn lightly over it.
    m_onTop->setStyleSheet(QStringLiteral(
        "QPushButton { background: transparent; border: 1px solid rgba(0,0,0,70); border-radius: 4px; }"
        "QPushButton:hover { background: rgba(255,255,255,60); }"
        "QPushButton:checked { background: rgba(0,0,0,45); border-color: rgba(0,0,0,120); }"));

    // Each photo command does nothing unless a photo is selected; Delete
    // removes whatever is.
    CLumivexDoc& doc = m_document;
    auto on = [this](int id, auto command) { connect(Button(id), &QAbstractButton::clicked, this, command); };
    on(IDC_PHOTO_ZOOM_OUT, [&doc] { doc.ZoomSelectedPhoto(1.5); });
    on(IDC_PHOTO_ZOOM_IN, [&doc] { doc.ZoomSelectedPhoto(0.6666666666666666); });
    on(IDC_PHOTO_MIRROR, [&doc] { doc.MirrorSelectedPhoto(); });
    on(IDC_PHOTO_FLIP, [&doc] { doc.FlipSelectedPhoto(); });
    on(IDC_PHOTO_ROTATE_LEFT, [&doc] { doc.RotateSelectedPhoto(-90.0f); });
    on(IDC_PHOTO_ROTATE_RIGHT, [&doc] { doc.RotateSelectedPhoto(90.0f); });
    on(IDC_PHOTO_FIT, [&doc] { doc.FitSelectedPhoto(); });
    on(IDC_PHOTO_DELETE, [&doc] { doc.DeleteSelection(); });
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
