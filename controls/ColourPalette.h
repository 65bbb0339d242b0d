// The colour button's drop-down: an "Automatic" box, forty named colours in
// eight columns and a "More Colours..." box that opens the colour dialog.
// The popup reports to its button, which reports to the bar.
#pragma once

#include <array>

#include <QRect>
#include <QString>
#include <QWidget>

#include "platform/WinRecords.h"

class QColor;

// Stands for "Automatic" between the colour controls. Whatever draws with a
// colour draws this one black.
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

QColor ColourToQColor(COLORREF colour);
COLORREF QColorToColour(const QColor& colour);

struct ColourTableEntry {
    COLORREF crColour;
    const char* szName;  // the cell's tooltip
};
// Entry i stands in row i / 8, column i % 8.
extern const std::array<ColourTableEntry, 40> ColourTable;

// Entries of the popup besides the colour cells 0 to 39.
constexpr int ENTRY_AUTO = -3;
constexpr int ENTRY_MORE = -2;
constexpr int ENTRY_NONE = -1;

// Where the popup's boxes lie, in client coordinates, and how the arrow keys
// walk them. Plain arithmetic on the margin, the cell size and the size of the
// larger box text, so the rules hold without a window.
class PaletteGeometry {
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 5;

    // textSize: the larger width and height of the two box texts.
    PaletteGeometry(int margin, int boxSize, QSize textSize, bool hasAuto, bool hasMore);

    QSize WindowSize() const { return m_windowSize; }
    bool HasAuto() const { return m_bAuto; }
    bool HasMore() const { return m_bMore; }
    // An empty rectangle for ENTRY_NONE and for a box the popup lacks.
    QRect EntryRect(int entry) const;
    // The entry whose drawn rectangle holds the point, or ENTRY_NONE.
    int EntryAt(QPoint client) const;
    // The entry an arrow key (Qt::Key_Up, _Down, _Left, _Right) leads to from
    // entry; the walk wraps through the boxes and never ends on ENTRY_NONE.
    int NextEntry(int entry, int key) const;

private:
    int CellTop() const;
    int AutoOr(int otherwise) const { return m_bAuto ? ENTRY_AUTO : otherwise; }
    int MoreOr(int otherwise) const { return m_bMore ? ENTRY_MORE : otherwise; }

    int m_nMargin;
    int m_nBoxSize;
    bool m_bAuto;
    bool m_bMore;
    QRect m_rcAuto;
    QRect m_rcMore;
    QSize m_windowSize;
};

// The popup's screen rectangle: window is where it would open (below the
// button); it is shifted left to end at the screen's right edge, then right to
// start no further left than the screen, and put above the button when its
// bottom would leave the screen.
QRect PlacePalette(QRect window, int buttonHeight, const QRect& screen);

// A frameless popup that holds the mouse and the keyboard from its opening
// until the selection ends: a release of the mouse button inside confirms the
// highlighted entry, outside cancels; Return and Space confirm, Escape
// cancels. It deletes itself once it has reported the end.
class CColourPalette : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 2;  // the width of the popup's raised edge
    static constexpr int kBoxSize = 18;

    // bottomLeft: the button's bottom-left corner on the screen. An empty
    // text leaves its box out. The popup opens when shown.
    CColourPalette(QPoint bottomLeft, COLORREF colour, QWidget* button, const QString& autoText,
                   const QString& moreText);

    const PaletteGeometry& Geometry() const { return m_geometry; }
    int Hot() const { return m_nHot; }
    int Chosen() const { return m_nChosen; }

signals:
    // The highlight moved onto an entry: its colour ("More Colours..." reports
    // the colour of the opening).
    void selChange(COLORREF colour);
    void selEndOk(COLORREF colour);
    // Always the colour of the opening.
    void selEndCancel(COLORREF colour);

protected:
    // QWidget
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ChangeHighlight(int entry);
    void EndSelection(bool confirmed);
    void PaintCell(QPainter& painter, int entry) const;
    void PaintTextBox(QPainter& painter, int entry, const QString& text) const;
    void PaintEntryEdge(QPainter& painter, int entry, const QRect& box) const;

    const QString m_strAutoText;
    const QString m_strMoreText;
    const COLORREF m_crInitial;
    COLORREF m_crCurrent;
    PaletteGeometry m_geometry;
    int m_nHot = ENTRY_NONE;
    int m_nChosen = ENTRY_NONE;
    bool m_bEnded = false;
};
