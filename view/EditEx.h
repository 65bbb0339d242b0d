// The in-place text editor: a borderless edit over the card. It paints its
// background from the view's last composition and its text through the
// card's own text drawing, in the text's font, colour and look (alignment,
// outline, shadow), so what is typed looks exactly like the text that lands
// on the card. Enter ends the editing and Shift+Enter starts a new line; the
// editor grows downwards as lines are added. Typing stops at the right edge
// (no horizontal scrolling) and new lines at the view's bottom edge.
#pragma once

#include <functional>
#include <memory>

#include <QPlainTextEdit>

#include "model/TextLook.h"
#include "platform/Gdi.h"
#include "platform/MemoryCanvas.h"

class CEditEx : public QPlainTextEdit {
    Q_OBJECT
public:
    // The first glyph stands this far inside the editor's left edge.
    static constexpr int kTextMargin = 2;

    // backBuffer: the view's last composition; onDone: the editing ended
    // (Enter, or the focus went elsewhere).
    CEditEx(std::function<const MemoryCanvas*()> backBuffer, std::function<void()> onDone, QWidget* parent);
    ~CEditEx() override;

    // Empties the editor and gives it this font, colour and look.
    void Prepare(const LOGFONTW& font, COLORREF colour, const TextLook& look = {});
    // Places the editor so that the box of its lines has its top-left corner
    // at a point of the view's composition, the editor reaching to the
    // view's right edge and as far down as its lines and effects.
    void PlaceLinesAt(POINT lines);
    // Where the editor lies in the view's composition (its device pixels,
    // as the view's client); the widget itself stands a line right and
    // down, as the composition is shown. The editor measures, paints and
    // takes the mouse in those pixels.
    void PlaceAt(const RECT& rect);
    RECT GetPlacement() const { return m_placement; }
    // The top-left corner of the box of the lines, in the composition.
    POINT GetLinesOrigin() const;

    LOGFONTW GetLogFont() const;
    const TextLook& GetLook() const { return m_look; }
    COLORREF m_crText = 0;

    // The composition under the editor changed: it is shown anew.
    void BackgroundChanged();

    // The caret's rectangle, in widget points, is where the input method
    // places what it shows.
    using QPlainTextEdit::inputMethodQuery;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The typed text, lines broken by '\n'.
    QString text() const { return toPlainText(); }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SIZE Block(const QString& text) const;
    // The view's client in device pixels.
    SIZE ViewSize() const;
    // A widget position, and a widget rectangle, in the placement's pixels.
    QPoint PlacementPoint(const QPointF& position) const;
    QRect PlacementRect(const QRect& widgetRect) const;
    // Whether the text would still fit, or at least fit no worse than now.
    bool Fits(const QString& text) const;
    QString WithSelectionReplaced(const QString& inserted) const;
    // Replaces the selection by inserted, if the result fits.
    bool InsertIfItFits(const QString& inserted);
    // The left end of a line of this width inside the editor.
    int LineLeft(LONG lineWidth) const;
    LONG LineWidth(const QString& line) const;
    // Caret positions in a line and back, as Qt lays the line out.
    qreal CursorX(const QString& line, int position) const;
    int CursorAt(const QString& line, qreal x) const;
    // The editor's height for its lines.
    void Grow();
    // The caret moved to the point of the editor, the selection kept from its anchor when extending.
    void PlaceCaret(QPoint at, bool extending);
    void Finish();
    // Where the text and its effects are drawn, in editor coordinates.
    QRect TextArea() const;
    // The caret as it is painted, in the placement's pixels.
    QRect CaretRect() const;
    static QImage Shown(const Bitmap* bitmap, const QRect& part);

    std::function<const MemoryCanvas*()> m_backBuffer;
    std::function<void()> m_onDone;
    HFONT m_font = nullptr;
    TextLook m_look;
    RECT m_margins{};  // of the look's effects
    QPoint m_inset;    // where the lines' box starts inside the editor
    SIZE m_block{};    // the lines' box for the text as it is
    RECT m_placement{};
    QPointF m_shift;  // where the placement starts inside the widget, in device pixels
    bool m_bFinishing = false;
    // What a paint reuses: the composition under the editor as shown, and
    // the canvas the text is drawn on.
    QImage m_background;
    QRect m_backgroundFrom;  // the part of the composition it shows
    std::unique_ptr<MemoryCanvas> m_canvas;
};
