// The about box: the about.png picture with rounded corners and no frame,
// the program's version and the contact lines on it, and the skin's OK
// button. Dragging the picture moves the box.
#pragma once

#include <filesystem>

#include <QPoint>

#include "controls/SkinBitmaps.h"
#include "controls/SkinDialog.h"

class PxSkinButton;

class CDlgAbout : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr QPoint kOkPosition{328, 265};
    static constexpr QPoint kVersionPosition{268, 156};
    static constexpr QPoint kWebsitePosition{16, 190};
    static constexpr QPoint kEmailPosition{16, 220};

    explicit CDlgAbout(QWidget* parent = nullptr, const std::filesystem::path& skinFolder = SkinFolder());
    ~CDlgAbout() override;

    // "Version : " and the program's product version, or the fallback
    // version when the program's version block cannot be read.
    const QString& VersionLine() const { return m_strVersion; }
    PxSkinButton& OkButton() const { return *m_btnOk; }

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PxSkinButton* m_btnOk;
    QString m_strVersion;
};
