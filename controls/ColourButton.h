// The text bar's colour button: a swatch of the current colour under the
// button's caption. A click opens the colour palette below it; the button
// takes the colour the palette confirms and tells its parent what happened.
#pragma once

#include <QAbstractButton>

#include "platform/WinRecords.h"

class CColourButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CColourButton(const QString& caption, QWidget* parent = nullptr);

    // CLR_DEFAULT when "Automatic" was chosen.
    COLORREF GetSelectedColour() const { return m_crSwatch; }
    void SetSelectedColour(COLORREF colour);
    void SetCaptionColour(COLORREF colour);

signals:
    // The palette's highlight moved (the button keeps its colour), and after
    // a confirmed choice that changed the colour.
    void selChange(COLORREF colour);
    // The palette has just opened on the button's colour.
    void dropDown(COLORREF colour);
    // The palette has closed, either way; comes before selEndOk or selEndCancel.
    void closeUp(COLORREF colour);
    void selEndOk(COLORREF colour);
    // The colour that was kept.
    void selEndCancel(COLORREF colour);

protected:
    // QAbstractButton
    void paintEvent(QPaintEvent* event) override;

private:
    void OpenPalette();
    void AcceptPaletteColour(COLORREF colour);
    void CancelPalette(COLORREF colour);

    COLORREF m_crSwatch;
    COLORREF m_crCaption;
    const QString m_strAutoText = QStringLiteral("Automatic");
    const QString m_strMoreText = QStringLiteral("More Colours...");
};
