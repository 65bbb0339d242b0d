// The push button that paints itself from two skin pictures: the up picture
// normally, the down picture while it is pressed, hovered or held. Each is
// shown from its name@2x partner on a dense screen, where there is one. It can
// carry a popup menu (the Help button's) and act as a check box or a radio
// button; neither the check state nor the focus changes its look.
#pragma once

#include <filesystem>

#include <QAbstractButton>

#include "controls/SkinBitmaps.h"

class QMenu;

class PxSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Style { PushButton = 0, CheckBox = 2, RadioButton = 4 };

    explicit PxSkinButton(QWidget* parent = nullptr, Style style = PushButton);
    ~PxSkinButton() override;

    // Loads both pictures with the JPEG id and sizes the button to the up
    // picture at (0, 0) of its parent; owners move it to its place. A file
    // that cannot be read leaves its picture empty: without an up picture
    // the button is 0 by 0 and not seen.
    void LoadSkinImages(const std::filesystem::path& upPath, const std::filesystem::path& downPath);
    void SetTipText(const QString& text);
    // The button takes the menu over (null: none) and deletes the one it
    // had. A click opens it below and to the right of the button; the chosen
    // action's data, its command id, is reported by menuCommand, after the
    // ordinary clicked signal has gone out.
    void AttachPopupMenu(QMenu* menu, bool repaint = true);
    QMenu* PopupMenu() const { return m_pPopupMenu; }

    // Held down by its owner (the main bar's button of the current mode).
    void SetHeld(bool held);
    int m_bHeld = 0;

    QSize sizeHint() const override;

signals:
    void menuCommand(int id);

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // QAbstractButton
    void nextCheckState() override;

private:
    void ShowPopupMenu();
    void UncheckOtherRadios();

    QMenu* m_pPopupMenu = nullptr;
    const Style m_nStyle;
    // The pointer is over the button. Qt reports leaving only after the
    // mouse button is released, so while pressed the moves decide.
    bool m_bTracking = false;
    SkinImage m_imgUp;
    SkinImage m_imgDown;
};
