// The common look of the three lower bars: 33 pixels high, tool_sub.jpg
// with its 2-pixel side strips copied and its middle stretched, the bar's
// label picture at the top-left corner, and etched separators.
#pragma once

#include <vector>

#include <QPoint>
#include <QWidget>

class PxSkinButton;
struct SkinBitmap;

class CSubBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 33;

    // The pictures belong to the main frame and outlive the bar; either may
    // be null (a missing skin file), which leaves its part unpainted.
    CSubBar(const SkinBitmap* background, const SkinBitmap* label, std::vector<int> separators, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A skinned button of the bar: skin_up.jpg and skin_down.jpg from the
    // skin folder, at its natural size at the given point.
    PxSkinButton* AddSkinButton(int id, const char* skin, QPoint at);

private:
    const SkinBitmap* m_background;
    const SkinBitmap* m_label;
    std::vector<int> m_separators;  // x of each etched line pair's dark line
};
