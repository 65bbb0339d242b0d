// The text bar's font box: the installed font families, in the order the
// system's font database lists them. Its drop-down list is as wide as the
// longest name, however narrow the closed box.
//
// The bar reacts to the user's choices through QComboBox::textActivated,
// which, unlike currentIndexChanged, does not fire for SelectFaceName.
#pragma once

#include <QComboBox>

class CFontComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CFontComboBox(QWidget* parent = nullptr);

    // Appends every installed family; leaves no entry selected.
    void FillFontList();
    // Selects the first entry that equals name exactly, case included; with
    // no such entry the selection stays as it was.
    void SelectFaceName(const QString& name);
    // Empty while no entry is selected: the caller then uses its default face.
    QString SelectedFaceName() const;

    // QComboBox
    void showPopup() override;

private:
    int m_nMaxWidth = 0;  // widest name, plus a digit's room, in the list's font
};
