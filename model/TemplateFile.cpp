// The template record file: "FRM" and "TXT" records, little-endian, with no
// header, count or trailer. Pictures are embedded as JPEG streams.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "image/ByteOrder.h"
#include "image/PxFile.h"
#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "platform/AtomicFile.h"

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

std::unique_ptr<TextEx> ReadTextRecord(PxFile& file)
{
    Box box;
    std::uint8_t fields[92 + 4 + 4];
    if (!ReadBox(file, box) || !ReadExactly(file, fields, sizeof fields))
        return nullptr;
    LOGFONTW font;
    DecodeLogFont(fields, font);
    const COLORREF colour = LoadLE32(fields + 92);
    const std::uint32_t units = LoadLE32(fields + 96);
    const std::int64_t left = BytesLeft(file);
    if (left >= 0 && std::uint64_t(units) * 2 > std::uint64_t(left))
        return nullptr;  // cut short

    // Only the first 511 units are kept; the rest is skipped to stay in step.
    std::uint8_t bytes[2 * kMaxTextUnits];
    const std::uint32_t kept = std::min(units, kMaxTextUnits);
    if (!ReadExactly(file, bytes, 2 * std::size_t(kept)))
        return nullptr;
    if (units > kept && !file.Seek(std::int32_t(2 * std::int64_t(units - kept)), 1))
        return nullptr;
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
    return element;
}

// The largest displayed frame the reader builds: a frame is shown at most
// at its full resolution, so this only stops hostile sizes from making the
// working pictures enormous.
bool SaneDisplaySize(const Box& box, const PxImage& picture)
{
    if (box.cx <= 0 || box.cy <= 0)
        return !picture.IsValid();
    const std::uint64_t limit = picture.IsValid() ? 4ull * picture.GetWidth() * picture.GetHeight() : 0;
    return std::uint64_t(box.cx) * std::uint64_t(box.cy) <= std::max<std::uint64_t>(limit, 4096ull * 4096);
}

std::unique_ptr<ImageEx> ReadFrameRecord(PxFile& file)
{
    Box box;
    if (!ReadBox(file, box))
        return nullptr;
    auto element = std::make_unique<ImageEx>();
    if (!WorkArea::ReadImageRecord(element->m_imgSrc, file) || !WorkArea::ReadImageRecord(element->m_imgMaskSrc, file))
        return nullptr;
    // Grey JPEGs decode to 8 bits; the element's blending needs 24.
    element->m_imgSrc.IncreaseBpp(24);
    element->m_imgMaskSrc.IncreaseBpp(24);
    if (!SaneDisplaySize(box, element->m_imgSrc))
        return nullptr;
    element->m_ptPos = {box.x, box.y};
    element->SetSize({box.cx, box.cy});
    element->m_nKind = ELEMENT_TEMPLATE_FRAME;
    return element;
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

bool WorkArea::WriteImageRecord(PxImage& picture, PxFile& file)
{
    std::uint8_t* stream = nullptr;
    std::int32_t length = 0;
    if (picture.IsValid()) {
        picture.SetJpegQuality(kJpegQuality);
        if (!picture.Encode(stream, length, FormatJpg))
            length = 0;
    }
    const bool written = WriteLE32(file, std::uint32_t(length)) && WriteExactly(file, stream, std::size_t(length));
    std::free(stream);
    return written;
}

void WorkArea::ReadTemplateFile(ElementList& elements, const std::filesystem::path& path)
{
    PxIOFile file;
    if (!file.Open(path.c_str(), "rb"))
        return;
    for (;;) {
        char tag[4] = {};
        if (file.Read(tag, 1, 3) == 0)
            return;
        // Unknown bytes are passed over three at a time until a tag lines up.
        if (std::strcmp(tag, "TXT") == 0) {
            auto text = ReadTextRecord(file);
            if (!text)
                return;
            elements.push_back(std::move(text));
        } else if (std::strcmp(tag, "FRM") == 0) {
            auto frame = ReadFrameRecord(file);
            if (!frame)
                return;
            elements.push_back(std::move(frame));
        }
    }
}

bool WorkArea::WriteTemplateFile(const std::vector<ElementBase*>& elements, const std::filesystem::path& path)
{
    AtomicFile target(path);
    if (!target.Stream())
        return false;
    PxIOFile file(target.Stream());
    bool ok = true;
    for (ElementBase* element : elements) {
        if (!element || !ok)
            continue;
        const POINT pos = element->GetPos();
        const SIZE size = element->GetSize();
        if (typeid(*element) == typeid(TextEx)) {
            const auto& text = static_cast<const TextEx&>(*element);
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
    return ok && target.Commit();
}
