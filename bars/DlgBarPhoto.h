// The photo bar, shown while a photo is selected: zoom, mirror, flip,
// rotate by 90 degrees, fit into the frame's window and delete, and the "On Top Most" toggle that keeps a
// deselected photo above the frame.
#pragma once

#include "bars/SubBar.h"

class CLumivexDoc;
class PxSkinButton;
class QPushButton;

constexpr int IDC_PHOTO_ZOOM_OUT = 1001;
constexpr int IDC_PHOTO_ZOOM_IN = 1002;
constexpr int IDC_PHOTO_MIRROR = 1003;
constexpr int IDC_PHOTO_ROTATE_RIGHT = 1004;
constexpr int IDC_PHOTO_ROTATE_LEFT = 1005;
constexpr int IDC_PHOTO_FLIP = 1006;
constexpr int IDC_PHOTO_FIT = 1007;
constexpr int IDC_PHOTO_ON_TOP = 1024;
constexpr int IDC_PHOTO_DELETE = 1027;

class CDlgBarPhoto : public CSubBar {
    Q_OBJECT
public:
    // The second separator's x: after the Fit button, before On Top Most.
    static constexpr int kSecondSeparator = 241;

    CDlgBarPhoto(CLumivexDoc& document, const SkinBitmap* background, const SkinBitmap* label, QWidget* parent);

    PxSkinButton* Button(int id) const;
    bool IsOnTopMost() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CLumivexDoc& m_document;
    std::vector<PxSkinButton*> m_buttons;
    PxSkinButton* m_btnDelete = nullptr;
    QPushButton* m_onTop = nullptr;
};
