#include "image/codecs/HeifBoxes.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

namespace pximage {

namespace {

using Bytes = std::span<const std::uint8_t>;

// Big-endian fields one after another. Past the end every field reads 0
// and the reader stays failed.
class FieldReader {
public:
    explicit FieldReader(Bytes bytes) : m_bytes(bytes) {}

    // A field of size bytes, at most 8.
    std::uint64_t Read(std::size_t size)
    {
        const Bytes field = Take(size);
        std::uint64_t value = 0;
        for (const std::uint8_t byte : field)
            value = value << 8 | byte;
        return value;
    }
    void Skip(std::uint64_t size) { Take(size); }
    bool Failed() const { return m_failed; }
    Bytes Rest() const { return m_bytes; }

private:
    Bytes Take(std::uint64_t size)
    {
        if (size > m_bytes.size()) {
            m_failed = true;
            m_bytes = {};
            return {};
        }
        const Bytes taken = m_bytes.first(std::size_t(size));
        m_bytes = m_bytes.subspan(std::size_t(size));
        return taken;
    }

    Bytes m_bytes;
    bool m_failed = false;
};

bool Is(Bytes type, const char* fourcc)
{
    return type.size() >= 4 && std::memcmp(type.data(), fourcc, 4) == 0;
}

// Calls visit(type, payload) for each box among bytes, up to a broken one.
template <class Visit>
void ForEachBox(Bytes bytes, Visit visit)
{
    while (bytes.size() >= 8) {
        FieldReader header(bytes);
        std::uint64_t size = header.Read(4);
        header.Read(4);
        if (size == 1)
            size = header.Read(8);
        else if (size == 0)
            size = bytes.size();
        const std::size_t headerBytes = bytes.size() - header.Rest().size();
        if (header.Failed() || size < headerBytes || size > bytes.size())
            return;
        visit(bytes.subspan(4, 4), bytes.subspan(headerBytes, std::size_t(size) - headerBytes));
        bytes = bytes.subspan(std::size_t(size));
    }
}

// The payload of the first box of a type among bytes, or nothing.
Bytes FindBox(Bytes bytes, const char* type)
{
    std::optional<Bytes> found;
    ForEachBox(bytes, [&](Bytes boxType, Bytes payload) {
        if (!found && Is(boxType, type))
            found = payload;
    });
    return found.value_or(Bytes{});
}

// The boxes inside the meta box, after its version and flags.
Bytes MetaChildren(Bytes file)
{
    const Bytes meta = FindBox(file, "meta");
    return meta.size() >= 4 ? meta.subspan(4) : Bytes{};
}

// The grid and overlay items by id: true for an overlay.
std::map<std::uint32_t, bool> DerivedItems(Bytes meta)
{
    std::map<std::uint32_t, bool> items;
    FieldReader info(FindBox(meta, "iinf"));
    const std::uint64_t version = info.Read(1);
    info.Skip(3 + (version == 0 ? 2 : 4));  // flags, entry count
    ForEachBox(info.Rest(), [&](Bytes type, Bytes payload) {
        FieldReader entry(payload);
        const std::uint64_t entryVersion = entry.Read(1);
        entry.Skip(3);
        if (!Is(type, "infe") || entryVersion < 2)  // earlier entries name no item type
            return;
        const auto id = std::uint32_t(entry.Read(entryVersion == 2 ? 2 : 4));
        entry.Skip(2);  // protection index
        const Bytes itemType = entry.Rest();
        if (!entry.Failed() && (Is(itemType, "grid") || Is(itemType, "iovl")))
            items[id] = Is(itemType, "iovl");
    });
    return items;
}

// Calls visit(id, data) with the first extent of each item's data that the
// location box places in the file or in the item data box.
template <class Visit>
void ForEachItemData(Bytes file, Bytes meta, Visit visit)
{
    FieldReader location(FindBox(meta, "iloc"));
    const std::uint64_t version = location.Read(1);
    location.Skip(3);
    const std::uint64_t sizes = location.Read(1), moreSizes = location.Read(1);
    const std::size_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = moreSizes >> 4;
    const std::size_t indexSize = version >= 1 ? moreSizes & 15 : 0;
    const Bytes itemData = FindBox(meta, "idat");
    const std::uint64_t count = location.Read(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && !location.Failed(); ++i) {
        const auto id = std::uint32_t(location.Read(version < 2 ? 2 : 4));
        const std::uint64_t method = version >= 1 ? location.Read(2) & 15 : 0;
        location.Skip(2);  // data reference index
        const std::uint64_t base = location.Read(baseSize);
        const std::uint64_t extents = location.Read(2);
        if (extents == 0)
            continue;
        location.Skip(indexSize);
        const std::uint64_t offset = location.Read(offsetSize), length = location.Read(lengthSize);
        location.Skip((extents - 1) * (indexSize + offsetSize + lengthSize));
        const Bytes source = method == 0 ? file : method == 1 ? itemData : Bytes{};
        if (location.Failed() || base > source.size() || offset > source.size() - base)
            continue;
        const Bytes data = source.subspan(std::size_t(base + offset));
        visit(id, length == 0 ? data : data.first(std::size_t(std::min<std::uint64_t>(length, data.size()))));
    }
}

// A grid: version, flags, rows and columns less one, then the size; an
// overlay: version, flags, four 16-bit fill values, then the size. Bit 0 of
// the flags makes the size fields 32 bits wide instead of 16.
std::optional<CanvasSize> CanvasOf(Bytes data, bool overlay)
{
    FieldReader fields(data);
    fields.Skip(1);
    const std::size_t fieldBytes = fields.Read(1) & 1 ? 4 : 2;
    fields.Skip(overlay ? 8 : 2);
    const auto width = std::uint32_t(fields.Read(fieldBytes));
    const auto height = std::uint32_t(fields.Read(fieldBytes));
    if (fields.Failed())
        return std::nullopt;
    return CanvasSize{width, height};
}

}  // namespace

bool CarriesAv1(Bytes file)
{
    return !FindBox(FindBox(FindBox(MetaChildren(file), "iprp"), "ipco"), "av1C").empty();
}

std::vector<CanvasSize> DerivedCanvasSizes(Bytes file)
{
    const Bytes meta = MetaChildren(file);
    const std::map<std::uint32_t, bool> overlays = DerivedItems(meta);
    std::vector<CanvasSize> canvases;
    ForEachItemData(file, meta, [&](std::uint32_t id, Bytes data) {
        const auto item = overlays.find(id);
        if (item == overlays.end())
            return;
        if (const std::optional<CanvasSize> canvas = CanvasOf(data, item->second))
            canvases.push_back(*canvas);
    });
    return canvases;
}

}  // namespace pximage
