#include "controls/StaticEx.h"

#include <algorithm>
#include <system_error>

#include <QPainter>

#include "app/ProgramFolder.h"
#include "controls/CanvasPainter.h"
#include "model/CardDocument.h"

CStaticEx::CStaticEx(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

CStaticEx::~CStaticEx() = default;

bool CStaticEx::SetImageFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    // A card file shows the preview it keeps.
    std::vector<std::uint8_t> preview;
    std::string why;
    const bool loaded =
        ReadCardPreview(path, preview, why)
            ? m_image.Decode(preview.data(), std::int32_t(preview.size()), FormatPng)
            : m_image.Load(path, GetFormatFromExtension(GetFileExtension(path)));
    update();
    return loaded;
}

void CStaticEx::Clear()
{
    m_image.Destroy();
    update();
}

QRect CStaticEx::PreviewRect() const
{
    if (!m_image.IsValid())
        return {};
    const QRect box = contentsRect();
    const int W = box.width(), H = box.height();
    const std::uint32_t iw = m_image.GetWidth(), ih = m_image.GetHeight();
    // Scale factors in single precision, as the image core draws; the
    // products with them in double.
    const float sx = float(W) / float(iw), sy = float(H) / float(ih);
    const float s = std::min(sx, sy);
    const int dw = int(double(iw) * s + 0.5), dh = int(double(ih) * s + 0.5);
    return QRect(box.left() + (W - dw) / 2, box.top() + (H - dh) / 2, dw, dh);
}

void CStaticEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawPreview(painter);
    drawFrame(&painter);
}

void CStaticEx::DrawPreview(QPainter& painter)
{
    const QRect box = contentsRect();
    const QRect target = PreviewRect().translated(-box.topLeft());
    PaintOnCanvas(painter, box, [&](MemoryCanvas& canvas) {
        canvas.Fill(0xFF);
        if (!target.isEmpty())
            m_image.Draw(canvas.Dc(), target.left(), target.top(), target.width(), target.height());
    });
}
