#include "render/CardAssembly.h"

#include <memory>
#include <new>

#include <QString>

#include "app/LumivexDoc.h"
#include "app/NewTextFont.h"
#include "app/PhotoFile.h"
#include "image/PxImage.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "view/CardRender.h"

namespace {

// A view as large as the card, so that the document shows it at 100% and the
// card's coordinates are those of the full-resolution file.
class FullSizePort : public CardViewPort {
public:
    explicit FullSizePort(WorkArea& card) : m_card(card) {}
    SIZE GetClientSize() const override { return m_card.GetCardImageSize(); }
    HBITMAP RenderCardBitmap() override { return ::RenderCardBitmap(m_card); }

private:
    WorkArea& m_card;
};

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

bool PlacePhoto(CLumivexDoc& document, const PhotoRequest& request, std::string& error)
{
    PxImage picture;
    std::string reason;
    if (!OpenPhoto(request.file, picture, reason)) {
        error = "cannot read photo " + Quoted(request.file) + ": " + reason;
        return false;
    }
    WorkArea& card = document.m_workArea;
    if (!document.PlacePhoto(picture)) {
        error = "cannot place photo " + Quoted(request.file) + " on the card";
        return false;
    }
    auto& photo = static_cast<ImageEx&>(*card.GetSelected());
    if (request.box) {
        photo.m_ptPos = {request.box->x, request.box->y};
        photo.SetSize({request.box->width, request.box->height});
        if (request.box->angle != 0)
            photo.Rotate(request.box->angle);
    } else {
        // The photo bar's fit: the window under the photo's centre, else the largest.
        const POINT pos = photo.GetPos();
        const SIZE size = photo.GetSize();
        if (const auto* frame = dynamic_cast<const ImageEx*>(card.GetFrame())) {
            const std::vector<RECT> windows = FindFrameWindows(*frame);
            if (const RECT* window = WindowFor(windows, {pos.x + size.cx / 2, pos.y + size.cy / 2}))
                FitPhotoToWindow(photo, *window);
        }
    }
    // Deselected, the photo sinks below the frame and shows through its window.
    card.SendToBack(&photo);
    card.SetSelected(nullptr);
    return true;
}

void AddText(WorkArea& card, const TextRequest& request, const TextStyle& style)
{
    const LOGFONTW font = NewTextFont(QString::fromStdString(style.face).toStdU16String(), style.points);
    auto text = std::make_unique<TextEx>(font, style.colour, QString::fromStdString(request.text).toStdU16String());
    if (request.at) {
        text->m_ptPos = *request.at;
    } else {
        const SIZE full = card.GetCardImageSize(), size = text->GetSize();
        text->m_ptPos = {(full.cx - size.cx) / 2, full.cy - full.cy / 20 - size.cy};
    }
    card.AddElement(std::move(text));
    card.SetSelected(nullptr);
}

bool Assemble(const std::filesystem::path& templateFolder, const CardRequest& request, std::string& error)
{
    const std::filesystem::path folder = templateFolder.empty() ? CLumivexDoc::DefaultSkinFolder() : templateFolder;
    CLumivexDoc document(folder);
    if (!document.m_workArea.GetFrame() || document.m_workArea.GetCardImageSize().cx <= 0) {
        error = "no card template in " + Quoted(folder) + " (its this.tpl is missing or holds no frame)";
        return false;
    }
    FullSizePort port(document.m_workArea);
    document.SetView(&port);
    document.FitCardToView(true);
    for (const PhotoRequest& photo : request.photos)
        if (!PlacePhoto(document, photo, error))
            return false;
    for (const TextRequest& text : request.texts)
        AddText(document.m_workArea, text, request.style);
    if (!document.SaveCardImage(request.output, error)) {
        error = "cannot write " + Quoted(request.output) + ": " + error;
        return false;
    }
    return true;
}

}  // namespace

bool RenderCard(const std::filesystem::path& templateFolder, const CardRequest& card, std::string& error)
{
    try {
        return Assemble(templateFolder, card, error);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the card " + Quoted(card.output);
        return false;
    }
}
