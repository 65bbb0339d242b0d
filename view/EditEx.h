// The in-place text editor: a borderless one-line edit over the card. It
// paints its background from the view's last composition and its text
// through the drawing layer, in the text's own font and colour, so what is
// typed looks exactly like the text that lands on the card. Typing stops at
// the right edge (no horizontal scrolling).
#pragma once

#include <functional>

#include <QLineEdit>

#include "platform/Gdi.h"
#include "platform/MemoryCanvas.h"

class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    // The first glyph stands this far inside the editor's left edge.
    static constexpr int kTextMargin = 2;

    // backBuffer: the view's last composition; onDone: the editing ended
    // (Enter, or the focus went elsewhere).
    CEditEx(std::function<const MemoryCanvas*()> backBuffer, std::function<void()> onDone, QWidget* parent);
    ~CEditEx() override;

    // Empties the editor and gives it this font and colour. Returns the
    // height of one line in that font.
    LONG Prepare(const LOGFONTW& font, COLORREF colour);
    // Where the editor lies in the view's composition (client coordinates
    // of the card layer); the widget itself stands one pixel right and down,
    // as the composition is shown.
    void PlaceAt(const RECT& rect);
    RECT GetPlacement() const { return m_placement; }

    LOGFONTW GetLogFont() const;
    COLORREF m_crText = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Fits(const QString& text) const;
    LONG Extent(const QString& text) const;
    void Finish();

    std::function<const MemoryCanvas*()> m_backBuffer;
    std::function<void()> m_onDone;
    HFONT m_font = nullptr;
    RECT m_placement{};
    bool m_bFinishing = false;
};
