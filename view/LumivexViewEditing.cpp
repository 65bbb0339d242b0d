// The card view's side of the in-place editor: a new text started at a
// click, a text taken off the card to be typed again, and the typed text
// put on the card when the editing ends.
#include <QString>

#include "model/TextEx.h"
#include "view/LumivexView.h"

void CLumivexView::BeginTextEdit(const LOGFONTW& font, COLORREF colour, POINT at)
{
    const LONG height = m_pEdit->Prepare(font, colour);
    m_pEdit->PlaceAt({at.x, at.y, width(), at.y + height});
}

void CLumivexView::StartNewText(POINT p)
{
    LOGFONTW font = m_lfNewText;
    COLORREF colour = RGB(0, 0, 0);
    if (m_host) {
        m_host->GetNewTextFont(font);
        colour = m_host->GetNewTextColor();
    }
    m_lfNewText = font;
    m_document.BeginGesture();
    BeginTextEdit(font, colour, p);
    m_pEdit->show();
    m_pEdit->setFocus();
    SetMode(MODE_EDITING);
}

void CLumivexView::EditTextAt(POINT p)
{
    const TextEx* text = m_card.FindTextAt(ToCard(p));
    if (!text)
        return;
    const POINT origin = m_card.GetOrigin(), pos = text->GetPos();
    BeginTextEdit(text->GetLogFont(), text->GetColor(), {origin.x + pos.x, origin.y + pos.y});
    m_pEdit->setText(QString::fromStdU16String(text->GetText()));
    // The editor grows to the left so that its first glyph stands where the
    // text's did.
    RECT r = m_pEdit->GetPlacement();
    r.left -= CEditEx::kTextMargin;
    // Taking the text off the card starts the edit: the commit that puts it
    // back is the same step.
    m_document.BeginGesture();
    m_document.TakeText(text);
    m_pEdit->PlaceAt(r);
    m_pEdit->show();
    m_pEdit->setFocus();
    m_pEdit->end(false);
    SetMode(MODE_EDITING);
}

void CLumivexView::CommitTextEdit()
{
    const std::u16string typed = m_pEdit->text().toStdU16String();
    if (!typed.empty()) {
        const RECT r = m_pEdit->GetPlacement();
        m_document.AddText(m_pEdit->GetLogFont(), m_pEdit->m_crText, typed,
                           ToCard({CEditEx::kTextMargin + r.left, r.top}));
    }
    m_document.EndGesture();
}
