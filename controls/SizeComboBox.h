// The text bar's size box: fourteen point sizes to pick from, or up to two
// typed characters (so "99", or "-9", which the bar reads as 9).
//
// The bar reacts to picks through QComboBox::textActivated and to a typed
// size through the line edit's returnPressed.
#pragma once

#include <QComboBox>

class CSizeComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CSizeComboBox(QWidget* parent = nullptr);

    // Appends the fourteen sizes; leaves no entry selected.
    void FillSizeList();
    // Selects the entry that reads as size; any other size changes nothing,
    // not even the typed text.
    void SelectSize(int size);
    // What the box shows, typed or picked.
    QString SizeText() const { return currentText(); }
};
