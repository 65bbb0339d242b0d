// The card view's side of the in-place editor: a new text started at a
// click, a text taken off the card to be typed again, and the typed text
// put on the card when the editing ends.
#include <QString>

#include "model/TextEx.h"
#include "view/LumivexView.h"

void CLumivexView::BeginTextEdit(const LOGFONTW& font, COLORREF colour, const TextLook& look, POINT lines)
{
    m_pEdit->Prepare(font, colour, look);
    m_pEdit->PlaceLinesAt(lines);
}

void CLumivexView::StartNewText(POINT p)
{
    LOGFONTW font = m_lfNewText;
    COLORREF colour = RGB(0, 0, 0);
    TextLook look;
    if (m_host) {
        m_host->GetNewTextFont(font);
        colour = m_host->GetNewTextColor();
        look = m_host->GetNewTextLook();
    }
    m_lfNewText = font;
    m_document.BeginGesture();
    // The click is the editor's left edge; the first glyph stands inside it.
    BeginTextEdit(font, colour, look, {p.x + CEditEx::kTextMargin, p.y});
    m_pEdit->show();
    m_pEdit->setFocus();
    SetMode(MODE_EDITING);
}

void CLumivexView::EditTextAt(POINT p)
{
    const TextEx* text = m_card.FindTextAt(ToCard(p));
    if (!text)
        return;
    // The editor's lines stand where the text's did.
    const POINT origin = m_card.GetOrigin();
    const RECT lines = text->GetLinesRect();
    BeginTextEdit(text->GetLogFont(), text->GetColor(), text->GetLook(), {origin.x + lines.left, origin.y + lines.top});
    m_pEdit->setText(QString::fromStdU16String(text->GetText()));
    // Taking the text off the card starts the edit: the commit that puts it
    // back is the same step.
    m_document.BeginGesture();
    m_document.TakeText(text);
    m_pEdit->show();
    m_pEdit->setFocus();
    m_pEdit->moveCursor(QTextCursor::End);
    SetMode(MODE_EDITING);
}

void CLumivexView::CommitTextEdit()
{
    const std::u16string typed = m_pEdit->text().toStdU16String();
    if (!typed.empty()) {
        const POINT lines = ToCard(m_pEdit->GetLinesOrigin());
        const RECT margins = EffectMargins(m_pEdit->GetLook());
        m_document.AddText(m_pEdit->GetLogFont(), m_pEdit->m_crText, typed,
                           {lines.x - margins.left, lines.y - margins.top}, m_pEdit->GetLook());
    }
    m_document.EndGesture();
}
