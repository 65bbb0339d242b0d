// The text bar, shown while a text is selected or placed: font face, size,
// colour, left/centre/right placement on the card, the outline (on or off,
// colour, width) and the shadow (on or off, colour, offset, softness), and
// delete. A change is applied at once to the selected text; the controls'
// values are also the attributes of the next new text.
#pragma once

#include <functional>

#include <QString>

#include "bars/SubBar.h"
#include "model/TextLook.h"
#include "platform/WinRecords.h"

class CColourButton;
class CFontComboBox;
class QComboBox;
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
constexpr int IDC_TEXT_OUTLINE = 1030;
constexpr int IDC_TEXT_OUTLINE_COLOUR = 1031;
constexpr int IDC_TEXT_OUTLINE_WIDTH = 1032;
constexpr int IDC_TEXT_SHADOW = 1033;
constexpr int IDC_TEXT_SHADOW_COLOUR = 1034;
constexpr int IDC_TEXT_SHADOW_OFFSET = 1035;
constexpr int IDC_TEXT_SHADOW_SOFTNESS = 1036;


// The value of the leading decimal integer of text, as a C string-to-integer
// conversion reads it: optional blanks and sign, then digits; 0 when none.
int LeadingInteger(const QString& text);

class CDlgBarText : public CSubBar {
    Q_OBJECT
public:
    CDlgBarText(CLumivexDoc& document, const SkinBitmap* background, const SkinBitmap* label, QWidget* parent);

    CFontComboBox& FontBox() const { return *m_fontBox; }
    CSizeComboBox& SizeBox() const { return *m_sizeBox; }
    CColourButton& ColourButton() const { return *m_colourButton; }
    CColourButton& OutlineColourButton() const { return *m_outlineColour; }
    CColourButton& ShadowColourButton() const { return *m_shadowColour; }
    QComboBox& OutlineWidthBox() const { return *m_outlineWidth; }
    QComboBox& ShadowOffsetBox() const { return *m_shadowOffset; }
    QComboBox& ShadowSoftnessBox() const { return *m_shadowSoftness; }
    PxSkinButton* Button(int id) const;

    // The font of the next new text from the face and size boxes; false,
    // with font untouched, while the size box holds no non-zero number.
    bool GetNewTextFont(LOGFONTW& font) const;
    COLORREF GetNewTextColor() const;
    // The outline and shadow as the bar shows them (the lines placed left).
    TextLook GetNewTextLook() const;
    // Shows a selected text's colour, face, size, outline and shadow.
    void SyncFrom(const LOGFONTW& font, COLORREF colour, const TextLook& look = {});

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter typed anywhere in the bar applies the size box's number.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSizeEntered();
    // The bar's outline or shadow, switched on or off; applied to the selected text.
    void SetOutlineShown(bool shown);
    void SetShadowShown(bool shown);
    TextOutline Outline() const;
    TextShadow Shadow() const;
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
    PxSkinButton* m_btnOutline = nullptr;
    CColourButton* m_outlineColour = nullptr;
    QComboBox* m_outlineWidth = nullptr;
    PxSkinButton* m_btnShadow = nullptr;
    CColourButton* m_shadowColour = nullptr;
    QComboBox* m_shadowOffset = nullptr;
    QComboBox* m_shadowSoftness = nullptr;
    bool m_outlineShown = false;
    bool m_shadowShown = false;
};
