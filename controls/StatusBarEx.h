// The status bar at the bottom of the main window, painted from status.jpg:
// pane 0 (hints) stretches, panes 1 and 2 (card size, zoom) are 100 pixels
// wide at the right.
#pragma once

#include <array>
#include <filesystem>
#include <memory>

#include <QString>
#include <QWidget>

#include "controls/SkinBitmaps.h"
#include "platform/Gdi.h"

class CStatusBarEx : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPaneCount = 3;
    static constexpr int kMinHeight = 21;
    static constexpr int kFixedPaneWidth = 100;
    // Room between two panes; the separator lines stand in it.
    static constexpr int kPaneGap = 2;
    // Above the panes' text: the bar's top border.
    static constexpr int kTopBorder = 2;

    explicit CStatusBarEx(QWidget* parent = nullptr, const std::filesystem::path& skinFolder = SkinFolder());
    ~CStatusBarEx() override;

    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    QRect PaneRect(int pane) const;

    QSize sizeHint() const override;

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<SkinBitmap> m_hbmBack;
    std::array<QString, kPaneCount> m_panes;
};
