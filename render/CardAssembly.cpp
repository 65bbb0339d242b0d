#include "render/CardAssembly.h"

#include <algorithm>
#include <future>
#include <memory>
#include <new>

#include <QString>

#include "app/LumivexDoc.h"
#include "app/NewTextFont.h"
#include "app/PhotoFile.h"
#include "image/PxImage.h"
#include "model/CardDocument.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "platform/Coordinates.h"
#include "model/TextEx.h"

namespace {

// Work done beside the caller's: on a thread of its own, or when no thread
// can be had, by the caller when it asks for the result.
constexpr std::launch kBeside = std::launch::async | std::launch::deferred;

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

bool PlacePhoto(CLumivexDoc& document, const PhotoRequest& request, PxImage picture, SharedSourceFile source,
                std::string& error)
{
    if (!document.PlacePhoto(std::move(picture), 0, std::move(source))) {
        error = "cannot place photo " + Quoted(request.file) + " on the card";
        return false;
    }
    if (request.box) {
        document.SetSelectionBounds({request.box->x, request.box->y}, {request.box->width, request.box->height});
        if (request.box->angle != 0)
            document.RotateSelectedPhoto(request.box->angle);
    } else {
        document.FitSelectedPhoto();
    }
    // Deselected, the photo sinks below the frame and shows through its window.
    document.ClearSelection(true);
    return true;
}

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Where a text of this size goes when no place is given: centred across the
// card, below the frame's windows, clear of the texts already on the card
// (the template's own greeting among them). Where the card has no such room,
// at the foot of the lowest window, over the photo; without a window, near
// the card's bottom edge. The card is shown at 100%.
POINT FreePlaceForText(const WorkArea& card, SIZE size)
{
    const SIZE full = card.GetCardImageSize();
    const LONG x = (full.cx - size.cx) / 2, margin = full.cy / 40;
    POINT fallback{x, full.cy - full.cy / 20 - size.cy};
    const auto* frame = dynamic_cast<const ImageEx*>(card.GetFrame());
    if (!frame)
        return fallback;
    LONG y = 0;
    for (const RECT& window : FindFrameWindows(*frame))
        if (window.bottom + margin > y) {
            y = window.bottom + margin;
            fallback.y = std::max<LONG>(window.top, window.bottom - margin - size.cy);
        }
    std::vector<RECT> texts;
    for (const auto& element : card.GetElements())
        if (dynamic_cast<const TextEx*>(element.get()))
            texts.push_back(RectAt(element->m_ptPos.x, element->m_ptPos.y, element->GetSize().cx, element->GetSize().cy));
    // Down from the windows, past every text the box would cover.
    for (bool moved = true; moved && y + size.cy <= full.cy;) {
        moved = false;
        const RECT box = RectAt(x, y, size.cx, size.cy);
        for (const RECT& text : texts)
            if (Overlap(box, text)) {
                y = text.bottom + margin;
                moved = true;
            }
    }
    return y + size.cy <= full.cy ? POINT{x, y} : fallback;
}

void AddText(CLumivexDoc& document, const TextRequest& request, const TextStyle& style)
{
    const LOGFONTW font = NewTextFont(QString::fromStdString(style.face).toStdU16String(), style.points);
    const std::u16string text = QString::fromStdString(request.text).toStdU16String();
    const POINT at = request.at ? *request.at
                                : FreePlaceForText(document.Card(), TextEx(font, style.colour, text, style.look).GetSize());
    document.AddText(font, style.colour, text, at, style.look);
}

}  // namespace

CardMaker::CardMaker(std::filesystem::path templateFolder)
    : m_folder(templateFolder.empty() ? CLumivexDoc::DefaultSkinFolder() : std::move(templateFolder))
{
}

CardMaker::~CardMaker() = default;

CardMaker::OpenedPhotos CardMaker::OpenPhotos(const std::vector<PhotoRequest>& requests)
{
    OpenedPhotos opened;
    for (const PhotoRequest& request : requests) {
        OpenedPhoto& photo = opened.photos.emplace_back();
        std::string reason;
        if (!OpenPhoto(request.file, photo.picture, reason, photo.source)) {
            opened.photos.pop_back();
            opened.error = "cannot read photo " + Quoted(request.file) + ": " + reason;
            break;
        }
    }
    return opened;
}

bool CardMaker::Render(const CardRequest& card, std::string& error)
{
    if (!card.cardFile.empty())
        return RenderCardFile(card, error);
    // The photos are read and decoded on a thread of their own while the
    // template loads; a loaded template leaves nothing to do beside them.
    std::future<OpenedPhotos> photos =
        std::async(m_document ? std::launch::deferred : kBeside, OpenPhotos, std::cref(card.photos));
    try {
        if (!m_document) {
            m_document = std::make_unique<CLumivexDoc>(m_folder);
            // Shown at 100%: the card's coordinates are those of the full-resolution file.
            m_document->FitCardToView(m_document->Card().GetCardImageSize(), true);
        }
        const bool made = Assemble(card, photos, error);
        // The history keeps its newest steps only: a card of more steps than
        // that cannot be taken back to the template, and a fresh one is loaded.
        if (m_document->GetHistory().UndoCount() >= CardHistory::kDefaultLimit)
            m_document.reset();
        else {
            while (m_document->CanUndo())
                m_document->Undo();
            // The redo branch would keep the last card's photo until the next card's first step.
            m_document->ClearHistory();
        }
        return made;
    } catch (const std::bad_alloc&) {
        // Left half-built: the next card starts from a fresh document.
        m_document.reset();
        error = "not enough memory for the card " + Quoted(card.output);
        return false;
    }
}

bool CardMaker::Assemble(const CardRequest& request, std::future<OpenedPhotos>& photos, std::string& error)
{
    CLumivexDoc& document = *m_document;
    if (!document.Card().GetFrame() || document.Card().GetCardImageSize().cx <= 0) {
        error = "no card template in " + Quoted(m_folder) + " (its this.tpl is missing or holds no frame)";
        return false;
    }
    return Finish(document, request, photos.get(), error);
}

bool CardMaker::Finish(CLumivexDoc& document, const CardRequest& request, OpenedPhotos opened, std::string& error)
{
    for (std::size_t i = 0; i < opened.photos.size(); ++i)
        if (!PlacePhoto(document, request.photos[i], std::move(opened.photos[i].picture),
                        std::move(opened.photos[i].source), error))
            return false;
    if (!opened.error.empty()) {
        error = opened.error;
        return false;
    }
    for (const TextRequest& text : request.texts)
        AddText(document, text, request.style);
    const std::filesystem::path& output = request.output;
    const bool cardFile = HasCardExtension(output);
    if (!(cardFile ? document.SaveCard(output, error) : document.SaveCardImage(output, error))) {
        error = "cannot write " + Quoted(output) + ": " + error;
        return false;
    }
    return true;
}

bool CardMaker::RenderCardFile(const CardRequest& request, std::string& error)
{
    // Read while the card file is, which brings its own template.
    std::future<OpenedPhotos> photos = std::async(kBeside, OpenPhotos, std::cref(request.photos));
    try {
        // Each card file brings its own template: this document holds one card at a time.
        if (!m_cardDocument)
            m_cardDocument = std::make_unique<CLumivexDoc>(m_folder);
        CLumivexDoc& document = *m_cardDocument;
        // Rendered as it was saved: the card keeps the view's size it was saved in.
        if (!document.OpenCard(request.cardFile, error, false)) {
            error = "cannot open card " + Quoted(request.cardFile) + ": " + error;
            return false;
        }
        return Finish(document, request, photos.get(), error);
    } catch (const std::bad_alloc&) {
        m_cardDocument.reset();
        error = "not enough memory for the card " + Quoted(request.cardFile);
        return false;
    }
}
