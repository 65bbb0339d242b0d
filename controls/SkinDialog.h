// A skinned dialog: no frame, the size and picture of its background file
// (its name@2x partner on a dense screen), corners rounded by 10 x 10
// ellipses, and dragged by any point that is not a control.
#pragma once

#include <filesystem>
#include <optional>

#include <QDialog>
#include <QPoint>

#include "controls/SkinBitmaps.h"

class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    // A background that cannot be read leaves the dialog 0 x 0 and unpainted.
    CSkinDialog(const std::filesystem::path& background, std::uint32_t format, QWidget* parent);

protected:
    bool HasBackground() const { return m_imgBack.picture.IsValid(); }

    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    SkinImage m_imgBack;
    // Where the dialog was grabbed, relative to its top-left corner, while it
    // follows the pointer itself (none while the window system moves it).
    std::optional<QPoint> m_dragOffset;
};
