// The preview pane of the photo-opening dialog: one picture fitted into the
// box on white, small pictures enlarged as well.
#pragma once

#include <filesystem>

#include <QFrame>

#include "image/PxImage.h"

class CStaticEx : public QFrame {
    Q_OBJECT
public:
    explicit CStaticEx(QWidget* parent = nullptr);
    ~CStaticEx() override;

    // Loads the file with the format its extension names (recognised from
    // the content when the extension is unknown). A file that cannot be read
    // keeps the picture shown so far; true when the file was loaded. Only
    // regular files are opened: reading a named pipe would wait forever. A
    // card file shows the preview it keeps.
    bool SetImageFile(const std::filesystem::path& path);
    // Empties the preview to white.
    void Clear();
    const PxImage& Image() const { return m_image; }

    // Where the picture lands, in widget coordinates; empty without one.
    QRect PreviewRect() const;

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawPreview(QPainter& painter);

    PxImage m_image;
};
