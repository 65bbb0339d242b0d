// The text bar, shown while a text is selected or placed: font face, size,
// colour, left/centre/right placement on the card and delete. A change is
// applied at once to the selected text; the controls' values are also the
// attributes of the next new text.
#pragma once

#include <functional>

#include <QString>

#include "bars/SubBar.h"
#include "platform/WinRecords.h"

class CColourButton;
class CFontComboBox;
class CLumivexDoc;
class CSizeComboBox;
class PxSkinButton;

constexpr int IDC_TEXT_FONT = 1014;
constexpr int IDC_TEXT_SIZE = 1015;
constexpr int IDC_TEXT_COLOUR = 1016;
constexpr int IDC_TEXT_LEFT = 1017;
constexpr int IDC_TEXT_CENTER = 1018;
constexpr int IDC_TEXT_RIGHT = 1019;
constexpr int IDC_TEXT_DELETE = 1029;

// The value of the leading decimal integer of text, as a C string-to-integer
// conversion reads it: optional blanks and sign, then digits; 0 when none.
int LeadingInteger(const QString& text);

class CDlgBarText : public CSubBar {
    Q_OBJECT
public:
    CDlgBarText(CLumivexDoc& document, const Bitmap* background, const Bitmap* label, QWidget* parent);

    CFontComboBox& FontBox() const { return *m_fontBox; }
    CSizeComboBox& SizeBox() const { return *m_sizeBox; }
    CColourButton& ColourButton() const { return *m_colourButton; }
    PxSkinButton* Button(int id) const;

    // The font of the next new text from the face and size boxes; false,
    // with font untouched, while the size box holds no non-zero number.
    bool GetNewTextFont(LOGFONTW& font) const;
    COLORREF GetNewTextColor() const;
    // Shows a selected text's colour, face and size.
    void SyncFrom(const LOGFONTW& font, COLORREF colour);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter typed anywhere in the bar applies the size box's number.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSizeEntered();
    // A change of the selected text, made while the bar is shown (the text
    // modes): a hidden bar's controls change nothing.
    void EditText(const std::function<void(CLumivexDoc&)>& change);

    CLumivexDoc& m_document;
    CFontComboBox* m_fontBox = nullptr;
    CSizeComboBox* m_sizeBox = nullptr;
    CColourButton* m_colourButton = nullptr;
    PxSkinButton* m_btnLeft = nullptr;
    PxSkinButton* m_btnCenter = nullptr;
    PxSkinButton* m_btnRight = nullptr;
    PxSkinButton* m_btnDelete = nullptr;
};
