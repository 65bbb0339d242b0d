#include "model/CardRecord.h"

#include <cmath>
#include <map>
#include <new>

#include "image/ImageSize.h"
#include "image/PxImage.h"
#include "image/RowPool.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"

namespace {

// The name a photo is told by in messages: its own file's, else its place.
std::string PhotoName(const CardRecord& record, std::size_t index)
{
    const SourceFile& file = *record.photos[index];
    return file.name.empty() ? "photo " + std::to_string(index + 1) : "the photo " + file.name;
}

// Working pictures are made at the element's size: a box beyond the
// decoders' ceiling (or 32 megapixels, far beyond any screen) would only make
// them enormous.
std::uint64_t MaxElementPixels()
{
    return std::min<std::uint64_t>(pximage::DecodePixelLimit(), 32u << 20);
}

}  // namespace

bool RecordCard(const WorkArea& card, SIZE client, const std::string& templateFolder, const PictureEncoder& encode,
                CardRecord& record, std::string& why)
{
    record = CardRecord();
    record.client = client;
    record.origin = card.GetOrigin();
    record.templateFolder = templateFolder;
    // A photo placed twice shares its source: it is stored once.
    std::map<const void*, std::size_t> stored;
    const auto& elements = card.GetElements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const ElementBase* element = elements[i].get();
        if (element == card.GetSelected())
            record.selected = std::ptrdiff_t(i);
        CardElementRecord out;
        out.kind = element->m_nKind;
        out.pos = element->m_ptPos;
        out.size = element->m_size;
        if (const auto* text = dynamic_cast<const TextEx*>(element)) {
            out.type = CardElementType::Text;
            out.font = text->GetLogFont();
            out.colour = text->GetColor();
            out.text = text->GetText();
            out.look = text->GetLook();
        } else if (const auto* picture = dynamic_cast<const ImageEx*>(element)) {
            out.angle = picture->m_fAngle;
            out.flip = picture->m_bFlip;
            out.mirror = picture->m_bMirror;
            if (element == card.GetFrame()) {
                if (!picture->Origin()) {
                    why = "the card's frame was not read from a template file";
                    return false;
                }
                out.type = CardElementType::Frame;
                record.templateFile = picture->Origin();
            } else {
                out.type = CardElementType::Photo;
                const void* key = picture->Origin() ? static_cast<const void*>(picture->Origin().get())
                                                    : static_cast<const void*>(&picture->m_imgSrc);
                auto [at, added] = stored.emplace(key, record.photos.size());
                if (added) {
                    SharedSourceFile file = picture->Origin();
                    std::shared_ptr<const PxImage> unencoded;
                    if (!file) {
                        auto made = std::make_shared<SourceFile>();
                        if (!encode) {
                            made->name = "pasted.png";
                            unencoded = picture->SharedSource();
                        } else if (!encode(picture->m_imgSrc, *made)) {
                            why = "a pasted photo could not be stored";
                            return false;
                        }
                        file = std::move(made);
                    }
                    record.photos.push_back(std::move(file));
                    record.unencoded.push_back(std::move(unencoded));
                }
                out.photo = at->second;
            }
        } else {
            continue;
        }
        record.elements.push_back(std::move(out));
    }
    if (!record.templateFile) {
        why = "the card has no frame";
        return false;
    }
    return true;
}

bool BuildCard(const CardRecord& record, const PhotoDecoder& decode, BuiltCard& built, std::string& why)
{
    built = BuiltCard();
    WorkArea scratch;
    if (!record.templateFile || !scratch.LoadTemplate(record.templateFile)) {
        why = "the template inside the card holds no frame";
        return false;
    }
    const auto* frameSource = static_cast<const ImageEx*>(scratch.GetFrame());
    const std::uint64_t maxPixels = MaxElementPixels();
    const SIZE full = scratch.GetCardImageSize();
    std::uint64_t totalPixels = 0;
    for (const CardElementRecord& element : record.elements) {
        if (element.type == CardElementType::Text)
            continue;
        const std::uint64_t pixels = std::uint64_t(element.size.cx) * std::uint64_t(element.size.cy);
        const std::uint64_t allowed =
            element.type == CardElementType::Frame ? std::max<std::uint64_t>(4ull * full.cx * full.cy, 1) : maxPixels;
        totalPixels += pixels;
        if (pixels > allowed || totalPixels > 2 * maxPixels + 4ull * full.cx * full.cy) {
            why = "a picture on the card is " + std::to_string(element.size.cx) + " x " +
                  std::to_string(element.size.cy) + " pixels, far larger than the card";
            return false;
        }
    }

    // Every photo the elements show, decoded side by side.
    std::vector<char> used(record.photos.size(), 0);
    for (const CardElementRecord& element : record.elements)
        if (element.type == CardElementType::Photo)
            used[element.photo] = 1;
    std::vector<PxImage> pictures(record.photos.size());
    std::vector<std::string> reasons(record.photos.size());
    std::vector<char> decoded(record.photos.size(), 0);
    pximage::ForEachRowBand(std::int32_t(record.photos.size()), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t i = first; i < end; ++i)
            if (used[std::size_t(i)])
                decoded[std::size_t(i)] = decode(*record.photos[std::size_t(i)], pictures[std::size_t(i)],
                                                 reasons[std::size_t(i)]);
    });
    for (std::size_t i = 0; i < record.photos.size(); ++i)
        if (used[i] && !decoded[i]) {
            why = PhotoName(record, i) + " inside the card cannot be read: " + reasons[i];
            return false;
        }

    // The card the photos are built for: the frame's box, turned as the frame is.
    SIZE canvas{};
    for (const CardElementRecord& element : record.elements)
        if (element.type == CardElementType::Frame) {
            canvas = element.size;
            if (std::fabs(element.angle) > 0.000001 &&
                !PxImage::Rotate2Size(element.angle, canvas.cx, canvas.cy, true, canvas.cx, canvas.cy))
                canvas = {};
        }
    // The first element of each photo owns its source; later ones share it.
    std::vector<const ImageEx*> firstOf(record.photos.size(), nullptr);
    for (std::size_t i = 0; i < record.elements.size(); ++i) {
        const CardElementRecord& element = record.elements[i];
        std::unique_ptr<ElementBase> made;
        if (element.type == CardElementType::Text) {
            auto text = std::make_unique<TextEx>(element.font, element.colour, element.text, element.look);
            text->m_size = element.size;
            made = std::move(text);
        } else {
            std::unique_ptr<ImageEx> picture;
            if (element.type == CardElementType::Frame) {
                picture.reset(static_cast<ImageEx*>(frameSource->CloneState().release()));
                built.frame = std::ptrdiff_t(i);
            } else if (const ImageEx* first = firstOf[element.photo]) {
                picture.reset(static_cast<ImageEx*>(first->CloneState().release()));
            } else {
                picture = std::make_unique<ImageEx>(std::move(pictures[element.photo]), PxImage());
                picture->SetOrigin(record.photos[element.photo]);
                firstOf[element.photo] = picture.get();
            }
            picture->m_size = element.size;
            picture->m_fAngle = element.angle;
            picture->m_bFlip = element.flip;
            picture->m_bMirror = element.mirror;
            made = std::move(picture);
        }
        made->m_nKind = element.kind;
        made->m_ptPos = element.pos;
        if (element.type != CardElementType::Frame)
            made->SetCanvas(canvas);
        made->Rebuild(false);
        built.elements.push_back(std::move(made));
    }
    if (built.frame < 0) {
        why = "the card has no frame";
        return false;
    }
    built.selected = record.selected == built.frame ? -1 : record.selected;
    return true;
}
