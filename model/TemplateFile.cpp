// The template record file: "FRM" and "TXT" records, little-endian, with no
// header, count or trailer. Pictures are embedded as JPEG streams.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <typeinfo>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/TemplateLooks.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "platform/AtomicFile.h"
#include "platform/Coordinates.h"

namespace {

using pximage::LoadLE32;
using pximage::StoreLE32;

// A template text is held in 512 units including the terminating zero.
constexpr std::uint32_t kMaxTextUnits = 511;
constexpr int kJpegQuality = 90;

bool ReadExactly(PxFile& file, void* buffer, std::size_t bytes)
{
    return file.Read(buffer, 1, bytes) == bytes;
}

bool WriteExactly(PxFile& file, const void* buffer, std::size_t bytes)
{
    return bytes == 0 || file.Write(buffer, 1, bytes) == bytes;
}

bool WriteLE32(PxFile& file, std::uint32_t value)
{
    std::uint8_t bytes[4];
    StoreLE32(bytes, value);
    return WriteExactly(file, bytes, 4);
}

// Position and size: four signed 32-bit values.
struct Box {
    LONG x, y, cx, cy;
};

bool ReadBox(PxFile& file, Box& box)
{
    std::uint8_t bytes[16];
    if (!ReadExactly(file, bytes, sizeof bytes))
        return false;
    box = {LONG(LoadLE32(bytes)), LONG(LoadLE32(bytes + 4)), LONG(LoadLE32(bytes + 8)), LONG(LoadLE32(bytes + 12))};
    return true;
}

bool WriteBox(PxFile& file, POINT pos, SIZE size)
{
    return WriteLE32(file, std::uint32_t(pos.x)) && WriteLE32(file, std::uint32_t(pos.y)) &&
           WriteLE32(file, std::uint32_t(size.cx)) && WriteLE32(file, std::uint32_t(size.cy));
}

// LOGFONTW as the platform lays it out: five 32-bit fields, eight bytes,
// 32 UTF-16 units.
void DecodeLogFont(const std::uint8_t* bytes, LOGFONTW& font)
{
    font.lfHeight = LONG(LoadLE32(bytes));
    font.lfWidth = LONG(LoadLE32(bytes + 4));
    font.lfEscapement = LONG(LoadLE32(bytes + 8));
    font.lfOrientation = LONG(LoadLE32(bytes + 12));
    font.lfWeight = LONG(LoadLE32(bytes + 16));
    std::memcpy(&font.lfItalic, bytes + 20, 8);
    for (int i = 0; i < LF_FACESIZE; ++i)
        font.lfFaceName[i] = char16_t(pximage::LoadLE16(bytes + 28 + 2 * i));
}

void EncodeLogFont(const LOGFONTW& font, std::uint8_t* bytes)
{
    StoreLE32(bytes, std::uint32_t(font.lfHeight));
    StoreLE32(bytes + 4, std::uint32_t(font.lfWidth));
    StoreLE32(bytes + 8, std::uint32_t(font.lfEscapement));
    StoreLE32(bytes + 12, std::uint32_t(font.lfOrientation));
    StoreLE32(bytes + 16, std::uint32_t(font.lfWeight));
    std::memcpy(bytes + 20, &font.lfItalic, 8);
    for (int i = 0; i < LF_FACESIZE; ++i)
        pximage::StoreLE16(bytes + 28 + 2 * i, std::uint16_t(font.lfFaceName[i]));
}

// Moves the position forward by any 64-bit count in steps the stream's
// 32-bit offsets can carry. False when the stream refuses a step.
bool SkipForward(PxFile& file, std::uint64_t bytes)
{
    constexpr std::uint64_t kLargestStep = std::uint64_t(std::numeric_limits<std::int32_t>::max());
    while (bytes > 0) {
        const std::uint64_t step = std::min(bytes, kLargestStep);
        if (!file.Seek(std::int32_t(step), 1))
            return false;
        bytes -= step;
    }
    return true;
}

// The record readers return false when the file ends inside the record (the
// walk stops there); a record read whole appends its element unless its
// content is refused, and the walk goes on with the next record.
bool ReadTextRecord(PxFile& file, WorkArea::ElementList& elements, std::vector<TextEx*>& texts)
{
    Box box;
    std::uint8_t fields[92 + 4 + 4];
    if (!ReadBox(file, box) || !ReadExactly(file, fields, sizeof fields))
        return false;
    LOGFONTW font;
    DecodeLogFont(fields, font);
    const COLORREF colour = LoadLE32(fields + 92);
    const std::uint32_t units = LoadLE32(fields + 96);
    const std::int64_t left = BytesLeft(file);
    if (left >= 0 && std::uint64_t(units) * 2 > std::uint64_t(left))
        return false;

    // Only the first 511 units are kept; the rest is skipped to stay in step.
    std::uint8_t bytes[2 * kMaxTextUnits];
    const std::uint32_t kept = std::min(units, kMaxTextUnits);
    if (!ReadExactly(file, bytes, 2 * std::size_t(kept)) || !SkipForward(file, 2 * std::uint64_t(units - kept)))
        return false;
    std::u16string text;
    for (std::uint32_t i = 0; i < kept; ++i) {
        const char16_t unit = char16_t(pximage::LoadLE16(bytes + 2 * i));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    auto element = std::make_unique<TextEx>(font, colour, std::move(text));
    element->m_nKind = ELEMENT_TEMPLATE_TEXT;
    element->m_ptPos = {box.x, box.y};
    texts.push_back(element.get());
    elements.push_back(std::move(element));
    return true;
}

// Hardening against hostile files, and its limits. A frame is displayed at
// most at its full resolution once the card is fitted to the view, so a
// stored size above four times the picture's area (twice each side), or
// above 4096 x 4096 for a small picture (or the decoders' ceiling when that
// is lower), can only make the working pictures enormous: such a frame is
// refused. This bounds the working pictures made at loading to 48 MiB each
// (or four times the decoded picture); it does not bound later scaling
// (ScaleAll to a larger frame builds what it is asked for), the decoded
// pictures themselves (the JPEG decoder's budget does), nor anything about
// texts (their font fields are clamped when they are fitted).
// A side of 0 or less is no size at all: the resampler refuses it, the
// working pictures stay empty and the frame is 0 x 0.
bool AbsurdDisplaySize(const Box& box, const PxImage& picture)
{
    if (box.cx <= 0 || box.cy <= 0)
        return false;
    const std::uint64_t limit = picture.IsValid() ? 4ull * picture.GetWidth() * picture.GetHeight() : 0;
    // A fuzzing harness lowers the decoders' ceiling to keep its inputs cheap.
    const std::uint64_t small = std::min<std::uint64_t>(4096ull * 4096, pximage::DecodePixelLimit());
    return std::uint64_t(box.cx) * std::uint64_t(box.cy) > std::max(limit, small);
}

bool ReadFrameRecord(PxFile& file, WorkArea::ElementList& elements)
{
    Box box;
    if (!ReadBox(file, box))
        return false;
    auto element = std::make_unique<ImageEx>();
    PxImage& picture = element->SourceToFill();
    PxImage& mask = element->MaskSourceToFill();
    if (!WorkArea::ReadImageRecord(picture, file) || !WorkArea::ReadImageRecord(mask, file))
        return false;
    if (AbsurdDisplaySize(box, picture))
        return true;
    // Grey JPEGs decode to 8 bits; the element's blending needs 24.
    picture.IncreaseBpp(24);
    mask.IncreaseBpp(24);
    element->m_ptPos = {box.x, box.y};
    element->SetSize({box.cx, box.cy});
    element->m_nKind = ELEMENT_TEMPLATE_FRAME;
    elements.push_back(std::move(element));
    return true;
}

}  // namespace

bool WorkArea::ReadImageRecord(PxImage& picture, PxFile& file)
{
    std::uint8_t header[4];
    if (!ReadExactly(file, header, 4))
        return false;
    const std::uint32_t length = LoadLE32(header);
    if (length == 0)
        return true;
    const std::int64_t left = BytesLeft(file);
    if (left < 0 || length > std::uint64_t(left))
        return false;  // never allocate more than the file still holds
    // A template read whole is decoded where its record lies, not copied first.
    if (auto* memory = dynamic_cast<PxMemFile*>(&file)) {
        picture.Decode(memory->buffer + memory->position, std::int32_t(length), FormatJpg);
        return file.Seek(std::int32_t(length), 1);
    }
    auto* stream = static_cast<std::uint8_t*>(std::malloc(length));
    if (!stream)
        return false;
    // A stream that does not decode leaves the picture empty; reading goes on.
    const bool complete = ReadExactly(file, stream, length);
    if (complete)
        picture.Decode(stream, std::int32_t(length), FormatJpg);
    std::free(stream);
    return complete;
}

bool WorkArea::WriteImageRecord(const PxImage& picture, PxFile& file)
{
    std::uint8_t* stream = nullptr;
    std::int32_t length = 0;
    if (picture.IsValid()) {
        // The encoder records its quality and errors in the picture: a copy
        // keeps the element's shared source untouched.
        PxImage encoded(picture);
        encoded.SetJpegQuality(kJpegQuality);
        if (!encoded.Encode(stream, length, FormatJpg))
            length = 0;
    }
    const bool written = WriteLE32(file, std::uint32_t(length)) && WriteExactly(file, stream, std::size_t(length));
    std::free(stream);
    return written;
}

void WorkArea::ReadTemplateFile(ElementList& elements, const std::filesystem::path& path)
{
    PxIOFile file;
    if (file.Open(path.c_str(), "rb"))
        ReadTemplateRecords(elements, file);
}

void WorkArea::ReadTemplateRecords(ElementList& elements, PxFile& file)
{
    std::vector<TextEx*> texts;  // in the order of their records, for their looks
    for (bool inStep = true; inStep;) {
        char tag[4] = {};
        if (file.Read(tag, 1, 3) == 0)
            return;
        // Unknown bytes are passed over three at a time until a tag lines up.
        if (std::strcmp(tag, "TXT") == 0)
            inStep = ReadTextRecord(file, elements, texts);
        else if (std::strcmp(tag, "FRM") == 0)
            inStep = ReadFrameRecord(file, elements);
        else if (std::strcmp(tag, kTextLooksTag) == 0)
            inStep = ReadTextLooks(file, texts);
    }
}

bool WorkArea::WriteTemplateFile(const std::vector<ElementBase*>& elements, const std::filesystem::path& path,
                                 std::string* why)
{
    AtomicFile target(path);
    auto failed = [&] {
        if (why)
            *why = target.Reason();
        return false;
    };
    if (!target.Stream())
        return failed();
    PxIOFile file(target.Stream());
    bool ok = true;
    std::vector<const TextEx*> texts;
    for (ElementBase* element : elements) {
        if (!element || !ok)
            continue;
        POINT pos = element->GetPos();
        SIZE size = element->GetSize();
        if (typeid(*element) == typeid(TextEx)) {
            const auto& text = static_cast<const TextEx&>(*element);
            texts.push_back(&text);
            // A text with a look of its own keeps its lines' box here (see TemplateLooks.h).
            if (text.GetLook() != TextLook{}) {
                const RECT lines = text.GetLinesRect();
                pos = {lines.left, lines.top};
                size = {RectWidth(lines), RectHeight(lines)};
            }
            std::uint8_t font[92];
            EncodeLogFont(text.GetLogFont(), font);
            const std::u16string& units = text.GetText();
            ok = WriteExactly(file, "TXT", 3) && WriteBox(file, pos, size) && WriteExactly(file, font, sizeof font) &&
                 WriteLE32(file, text.GetColor()) && WriteLE32(file, std::uint32_t(units.size()));
            for (char16_t unit : units) {
                std::uint8_t bytes[2];
                pximage::StoreLE16(bytes, std::uint16_t(unit));
                ok = ok && WriteExactly(file, bytes, 2);
            }
        } else if (auto* picture = dynamic_cast<ImageEx*>(element)) {
            ok = WriteExactly(file, "FRM", 3) && WriteBox(file, pos, size) &&
                 WriteImageRecord(picture->m_imgSrc, file) && WriteImageRecord(picture->m_imgMaskSrc, file);
        }
    }
    ok = ok && WriteTextLooks(file, texts);
    return (ok && target.Commit()) || failed();
}
