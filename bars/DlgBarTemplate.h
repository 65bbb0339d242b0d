// The template bar, shown in template mode under the main bar.
#pragma once

#include "bars/SubBar.h"

class CDlgBarTemplate : public CSubBar {
public:
    CDlgBarTemplate(const Bitmap* background, const Bitmap* label, QWidget* parent)
        : CSubBar(background, label, {}, parent)
    {
    }
};
