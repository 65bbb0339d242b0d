// What the card view reports to, and asks of, the window around it. The
// view never knows the frame or the bars: the frame implements this and
// wires the view's reports to the bars and the status bar.
#pragma once

#include <QString>

#include "model/TextLook.h"
#include "platform/WinRecords.h"

enum class LowerBar { Template, Photo, Text };

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Shows one of the three lower bars and holds its main-bar button down.
    virtual void ShowLowerBar(LowerBar bar) = 0;
    // Status pane 0 holds the hint of the mode, 1 the card size, 2 the zoom.
    virtual void SetStatusText(int pane, const QString& text) = 0;
    // The text bar's controls are disabled while a text is being typed.
    virtual void EnableTextBarControls(bool enable) = 0;
    // The text bar shows the selected text's font, colour and look.
    virtual void SyncTextBar(const LOGFONTW& font, COLORREF colour, const TextLook& look) = 0;
    // The photo bar's "On Top Most" toggle: a deselected photo then stays
    // above the frame.
    virtual bool IsPhotoOnTopMost() const = 0;
    // The font and colour of a new text, from the text bar. False leaves
    // the font as it was (the size box holds no size).
    virtual bool GetNewTextFont(LOGFONTW& font) const = 0;
    virtual COLORREF GetNewTextColor() const = 0;
    // The outline, shadow and alignment of a new text, from the text bar.
    virtual TextLook GetNewTextLook() const { return {}; }
};
