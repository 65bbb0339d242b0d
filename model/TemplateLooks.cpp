#include "model/TemplateLooks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/ByteOrder.h"
#include "model/TextEx.h"

namespace {

using pximage::LoadLE32;
using pximage::StoreLE32;

constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kEntryBytes = 30;
// No template holds more texts than fit in this, by far.
constexpr std::uint32_t kMaxPayload = 1u << 20;

std::int32_t Hundredths(double pixels)
{
    return std::int32_t(std::lround(std::clamp(pixels, -1e6, 1e6) * 100));
}

double Pixels(std::uint32_t hundredths)
{
    return double(std::int32_t(hundredths)) / 100;
}

void PutEntry(std::vector<std::uint8_t>& payload, std::uint32_t index, const TextLook& look)
{
    std::uint8_t entry[kEntryBytes];
    StoreLE32(entry, index);
    entry[4] = std::uint8_t(look.align);
    StoreLE32(entry + 5, look.outline.colour);
    StoreLE32(entry + 9, std::uint32_t(Hundredths(look.outline.width)));
    entry[13] = look.shadow.shown ? 1 : 0;
    StoreLE32(entry + 14, look.shadow.colour);
    StoreLE32(entry + 18, std::uint32_t(Hundredths(look.shadow.dx)));
    StoreLE32(entry + 22, std::uint32_t(Hundredths(look.shadow.dy)));
    StoreLE32(entry + 26, std::uint32_t(Hundredths(look.shadow.blur)));
    payload.insert(payload.end(), entry, entry + kEntryBytes);
}

TextLook LookOf(const std::uint8_t* entry)
{
    TextLook look;
    look.align = TextAlign(entry[4]);
    look.outline = {LoadLE32(entry + 5), Pixels(LoadLE32(entry + 9))};
    look.shadow = {entry[13] != 0, LoadLE32(entry + 14), Pixels(LoadLE32(entry + 18)), Pixels(LoadLE32(entry + 22)),
                   Pixels(LoadLE32(entry + 26))};
    return ClampedLook(look);
}

// Each byte as two of 0x80 and above.
void PutSpread(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(std::uint8_t(0x80 | bytes[i] >> 4));
        out.push_back(std::uint8_t(0x80 | (bytes[i] & 0x0F)));
    }
}

// The bytes back from their spread form; false for a byte not of that form.
bool Gather(const std::uint8_t* spread, std::size_t count, std::uint8_t* bytes)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t high = spread[2 * i], low = spread[2 * i + 1];
        if ((high & 0xF0) != 0x80 || (low & 0xF0) != 0x80)
            return false;
        bytes[i] = std::uint8_t((high & 0x0F) << 4 | (low & 0x0F));
    }
    return true;
}

// Padding after the chunk's tag, length and payload to a multiple of three.
std::size_t PaddingAfter(std::uint32_t payload)
{
    return (3 - (3 + 2 * 4 + 2 * std::size_t(payload)) % 3) % 3;
}

bool ReadAll(PxFile& file, std::vector<std::uint8_t>& bytes)
{
    return bytes.empty() || file.Read(bytes.data(), 1, bytes.size()) == bytes.size();
}

}  // namespace

bool WriteTextLooks(PxFile& file, const std::vector<const TextEx*>& texts)
{
    std::vector<std::uint8_t> payload{kVersion};
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (texts[i]->GetLook() != TextLook{})
            PutEntry(payload, std::uint32_t(i), texts[i]->GetLook());
    if (payload.size() == 1)
        return true;
    std::vector<std::uint8_t> chunk(kTextLooksTag, kTextLooksTag + 3);
    std::uint8_t length[4];
    StoreLE32(length, std::uint32_t(payload.size()));
    PutSpread(chunk, length, 4);
    PutSpread(chunk, payload.data(), payload.size());
    chunk.insert(chunk.end(), PaddingAfter(std::uint32_t(payload.size())), 0xFF);
    return file.Write(chunk.data(), 1, chunk.size()) == chunk.size();
}

bool ReadTextLooks(PxFile& file, const std::vector<TextEx*>& texts)
{
    const std::int32_t start = file.Tell();
    std::vector<std::uint8_t> spreadLength(8), payload;
    std::uint8_t length[4];
    bool read = ReadAll(file, spreadLength) && Gather(spreadLength.data(), 4, length);
    const std::uint32_t size = read ? LoadLE32(length) : 0;
    const std::int64_t left = BytesLeft(file);
    read = read && size > 0 && size <= kMaxPayload && (left < 0 || 2 * std::uint64_t(size) <= std::uint64_t(left));
    if (read) {
        std::vector<std::uint8_t> spread(2 * std::size_t(size)), padding(PaddingAfter(size));
        payload.resize(size);
        read = ReadAll(file, spread) && Gather(spread.data(), size, payload.data()) && payload[0] == kVersion;
        if (read)
            ReadAll(file, padding);
    }
    // A damaged chunk is walked over as unknown bytes, as a reader without
    // looks walks over every chunk.
    if (!read)
        return file.Seek(start, 0);
    for (std::size_t at = 1; at + kEntryBytes <= payload.size(); at += kEntryBytes) {
        const std::uint32_t index = LoadLE32(payload.data() + at);
        // The record holds the lines' box: the look grows the box around them.
        if (index < texts.size())
            texts[index]->SetLook(LookOf(payload.data() + at));
    }
    return true;
}
