// The three lower bars under the main bar; the view's mode decides which one
// is shown. Each has its label picture and its etched separators; their
// controls are added by the bars' own commands.
#pragma once

#include "bars/SubBar.h"

class CDlgBarPhoto : public CSubBar {
    Q_OBJECT
public:
    CDlgBarPhoto(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {103, 224}, parent)
    {
    }
};

class CDlgBarTemplate : public CSubBar {
    Q_OBJECT
public:
    CDlgBarTemplate(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {}, parent)
    {
    }
};

class CDlgBarText : public CSubBar {
    Q_OBJECT
public:
    CDlgBarText(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {350}, parent)
    {
    }
};
