// The template and text bars under the main bar; the view's mode decides
// which lower bar is shown.
#pragma once

#include "bars/SubBar.h"

class CDlgBarTemplate : public CSubBar {
public:
    CDlgBarTemplate(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {}, parent)
    {
    }
};

class CDlgBarText : public CSubBar {
public:
    CDlgBarText(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {350}, parent)
    {
    }
};
