// A window around the card view for the view's tests: it records what the
// view reports and answers its questions.
#pragma once

#include "view/ViewHost.h"

// Records what the view reports.
class FakeHost : public ViewHost {
public:
    void ShowLowerBar(LowerBar bar) override
    {
        shown = bar;
        ++calls;
    }
    void SetStatusText(int pane, const QString& text) override
    {
        panes[pane] = text;
        ++calls;
    }
    void EnableTextBarControls(bool enable) override { textBarEnabled = enable; }
    void SyncTextBar(const LOGFONTW& font, COLORREF, const TextLook&) override { syncedHeight = font.lfHeight; }
    bool IsPhotoOnTopMost() const override { return onTopMost; }
    bool GetNewTextFont(LOGFONTW&) const override { return false; }
    COLORREF GetNewTextColor() const override { return 0; }

    LowerBar shown = LowerBar::Photo;
    QString panes[3];
    int calls = 0;
    bool textBarEnabled = true;
    LONG syncedHeight = 0;
    bool onTopMost = false;
};

