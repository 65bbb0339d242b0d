#include "image/codecs/HeifBoxes.h"

#include <algorithm>
#include <map>
#include <type_traits>

namespace pximage {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t FourCC(const char (&code)[5])
{
    return std::uint32_t(code[0]) << 24 | std::uint32_t(code[1]) << 16 | std::uint32_t(code[2]) << 8 |
           std::uint32_t(code[3]);
}

// ---- Readers ----

// Big-endian fields one after another. Past the end every field reads 0
// and the reader stays failed.
class FieldReader {
public:
    explicit FieldReader(Bytes bytes) : m_bytes(bytes) {}

    // A field of size bytes, at most 8.
    std::uint64_t Read(std::size_t size)
    {
        std::uint64_t value = 0;
        for (const std::uint8_t byte : Take(size))
            value = value << 8 | byte;
        return value;
    }
    void Skip(std::uint64_t size) { Take(size); }
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
    bool Failed() const { return m_failed; }
    Bytes Rest() const { return m_bytes; }

private:
    Bytes m_bytes;
    bool m_failed = false;
};

// Bit fields, most significant bit first, and the variable-length codes of
// the two codings. Past the end every field reads 0 and the reader stays failed.
class BitReader {
public:
    explicit BitReader(Bytes bytes) : m_bytes(bytes) {}

    // At most 64 bits.
    std::uint64_t Bits(unsigned count)
    {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++m_bit) {
            if (m_bit >= 8 * m_bytes.size()) {
                m_failed = true;
                return 0;
            }
            value = value << 1 | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1);
        }
        return value;
    }
    void Skip(std::uint64_t count)
    {
        m_bit += count;
        if (m_bit > 8 * m_bytes.size())
            m_failed = true;
    }
    // HEVC's ue(v); AV1's uvlc() reads the same way, saturating at 32 leading zeros.
    std::uint64_t ExpGolomb()
    {
        unsigned zeros = 0;
        while (!Bits(1) && !m_failed)
            ++zeros;
        return zeros >= 32 ? 0xFFFFFFFFu : (std::uint64_t(1) << zeros) - 1 + Bits(zeros);
    }
    bool Failed() const { return m_failed; }

private:
    Bytes m_bytes;
    std::uint64_t m_bit = 0;
    bool m_failed = false;
};

// ---- Boxes ----

// Calls visit(type, payload) for each box among bytes, up to a broken one;
// visit(type, payload, header bytes) where the visitor takes the header's size.
template <class Visit>
void ForEachBox(Bytes bytes, Visit visit)
{
    while (bytes.size() >= 8) {
        FieldReader header(bytes);
        std::uint64_t size = header.Read(4);
        const auto type = std::uint32_t(header.Read(4));
        if (size == 1)
            size = header.Read(8);
        else if (size == 0)
            size = bytes.size();
        const std::size_t headerBytes = bytes.size() - header.Rest().size();
        if (header.Failed() || size < headerBytes || size > bytes.size())
            return;
        const Bytes payload = bytes.subspan(headerBytes, std::size_t(size) - headerBytes);
        if constexpr (std::is_invocable_v<Visit&, std::uint32_t, Bytes, std::size_t>)
            visit(type, payload, headerBytes);
        else
            visit(type, payload);
        bytes = bytes.subspan(std::size_t(size));
    }
}

// The payload of the first box of a type among bytes, or nothing.
Bytes FindBox(Bytes bytes, std::uint32_t type)
{
    std::optional<Bytes> found;
    ForEachBox(bytes, [&](std::uint32_t boxType, Bytes payload) {
        if (!found && boxType == type)
            found = payload;
    });
    return found.value_or(Bytes{});
}

// Calls visit(children) with the boxes inside each meta box of the file. A
// file has one; where a damaged one has more, libheif (1.15) reads the last.
template <class Visit>
void ForEachMeta(Bytes file, Visit visit)
{
    ForEachBox(file, [&](std::uint32_t type, Bytes payload) {
        if (type == FourCC("meta") && payload.size() >= 4)
            visit(payload.subspan(4));
    });
}

Bytes ItemProperties(Bytes meta)
{
    return FindBox(FindBox(meta, FourCC("iprp")), FourCC("ipco"));
}

// The type of each item by id, from the item information box.
std::map<std::uint32_t, std::uint32_t> ItemTypes(Bytes meta)
{
    std::map<std::uint32_t, std::uint32_t> types;
    FieldReader info(FindBox(meta, FourCC("iinf")));
    const std::uint64_t version = info.Read(1);
    info.Skip(3 + (version == 0 ? 2 : 4));  // flags, entry count
    ForEachBox(info.Rest(), [&](std::uint32_t type, Bytes payload) {
        FieldReader entry(payload);
        const std::uint64_t entryVersion = entry.Read(1);
        entry.Skip(3);
        if (type != FourCC("infe") || entryVersion < 2)  // earlier entries name no item type
            return;
        const auto id = std::uint32_t(entry.Read(entryVersion == 2 ? 2 : 4));
        entry.Skip(2);  // protection index
        const auto itemType = std::uint32_t(entry.Read(4));
        if (!entry.Failed())
            types[id] = itemType;
    });
    return types;
}

// What libheif lets an item read from the item data box: it bounds the
// reads by the box's whole size, header included, counted from the start of
// the payload, so an item may take up to a header's worth of the bytes that
// follow the box (within the file).
Bytes ItemDataReach(Bytes file, Bytes meta)
{
    std::optional<Bytes> reach;
    ForEachBox(meta, [&](std::uint32_t type, Bytes payload, std::size_t headerBytes) {
        if (reach || type != FourCC("idat"))
            return;
        const std::size_t toFileEnd = std::size_t(file.data() + file.size() - payload.data());
        reach = Bytes(payload.data(), std::min(payload.size() + headerBytes, toFileEnd));
    });
    return reach.value_or(Bytes{});
}

// How often, all items together, the items' data may read the file's bytes.
// The pictures of a layered file share their data by design (each layer's
// picture is the same coded data, told which layers to show), and a grid may
// repeat a tile; no such file reads its bytes more than a few times. Beyond
// that a small file could hand the decoders, and this walk, gigabytes.
constexpr std::uint64_t kReadsOfTheFile = 8;

// Calls visit(id, data) with each item's data put together from its extents
// in the file or in the item data box, as libheif hands it to the decoders.
// False when one item's data is more than the file (it reads the same bytes
// twice: libheif would hold the copies at once), or all items' data more
// than kReadsOfTheFile times the file.
// Version 1 of the location box may give each extent an index; libheif
// (1.15) reads that index only from version 2 on, so a version 1 box with
// an index size reads two ways: as written (indexInVersion1) and as libheif
// reads it.
template <class Visit>
bool ForEachItemData(Bytes file, Bytes meta, bool indexInVersion1, Visit visit)
{
    FieldReader location(FindBox(meta, FourCC("iloc")));
    const std::uint64_t version = location.Read(1);
    location.Skip(3);
    const std::uint64_t sizes = location.Read(1), moreSizes = location.Read(1);
    // The fields are 4 or 8 bytes wide, or absent; libheif reads a field
    // of any other width as absent.
    const auto width = [](std::uint64_t bytes) { return bytes == 4 || bytes == 8 ? std::size_t(bytes) : 0; };
    const std::size_t offsetSize = width(sizes >> 4), lengthSize = width(sizes & 15), baseSize = width(moreSizes >> 4);
    const std::size_t indexSize = version >= 2 || (version == 1 && indexInVersion1) ? width(moreSizes & 15) : 0;
    const Bytes itemData = ItemDataReach(file, meta);
    std::uint64_t budget = kReadsOfTheFile * file.size();
    std::vector<std::uint8_t> data;
    const std::uint64_t count = location.Read(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && !location.Failed(); ++i) {
        const auto id = std::uint32_t(location.Read(version < 2 ? 2 : 4));
        const std::uint64_t method = version >= 1 ? location.Read(2) & 15 : 0;
        location.Skip(2);  // data reference index
        const std::uint64_t base = location.Read(baseSize);
        const Bytes source = method == 0 ? file : method == 1 ? itemData : Bytes{};
        data.clear();
        for (std::uint64_t extents = location.Read(2); extents > 0 && !location.Failed(); --extents) {
            location.Skip(indexSize);
            const std::uint64_t offset = location.Read(offsetSize), length = location.Read(lengthSize);
            if (base > source.size() || offset > source.size() - base)
                continue;
            const Bytes rest = source.subspan(std::size_t(base + offset));
            const std::size_t taken = length == 0 ? rest.size() : std::size_t(std::min<std::uint64_t>(length, rest.size()));
            if (taken > budget || data.size() + taken > file.size())
                return false;
            budget -= taken;
            data.insert(data.end(), rest.begin(), rest.begin() + std::ptrdiff_t(taken));
        }
        if (!location.Failed())
            visit(id, Bytes(data));
    }
    return true;
}

// A grid: version, flags, rows and columns less one, then the size; an
// overlay: version, flags, four 16-bit fill values, then the size. Bit 0 of
// the flags makes the size fields 32 bits wide instead of 16.
std::optional<PictureSize> CanvasOf(Bytes data, bool overlay)
{
    FieldReader fields(data);
    fields.Skip(1);
    const std::size_t fieldBytes = fields.Read(1) & 1 ? 4 : 2;
    fields.Skip(overlay ? 8 : 2);
    const std::uint64_t width = fields.Read(fieldBytes), height = fields.Read(fieldBytes);
    if (fields.Failed())
        return std::nullopt;
    return PictureSize{width, height};
}

// ---- HEVC ----

// The frame size of a sequence parameter set NAL unit (type 33): its fields
// up to pic_width_in_luma_samples and pic_height_in_luma_samples.
std::optional<PictureSize> SpsFrameSize(Bytes unit)
{
    if (unit.size() < 3 || ((unit[0] >> 1) & 0x3F) != 33)
        return std::nullopt;
    // Those fields lie within the first few hundred bytes; without the
    // emulation prevention bytes (0x03 after two zero bytes).
    std::vector<std::uint8_t> payload;
    for (const std::uint8_t byte : unit.subspan(2, std::min<std::size_t>(unit.size() - 2, 512)))
        if (!(byte == 3 && payload.size() >= 2 && payload.end()[-1] == 0 && payload.end()[-2] == 0))
            payload.push_back(byte);
    BitReader bits(payload);
    bits.Skip(4);  // video parameter set id
    const auto subLayers = unsigned(bits.Bits(3));
    bits.Skip(1 + 96);  // temporal id nesting; general profile, tier and level
    const std::uint64_t present = bits.Bits(2 * subLayers);  // profile and level flags per sub-layer
    if (subLayers > 0)
        bits.Skip(2 * (8 - subLayers));
    for (unsigned i = 0; i < subLayers; ++i) {
        const unsigned flags = unsigned(present >> (2 * (subLayers - 1 - i))) & 3;
        bits.Skip((flags & 2 ? 88 : 0) + (flags & 1 ? 8 : 0));
    }
    bits.ExpGolomb();  // sequence parameter set id
    if (bits.ExpGolomb() == 3)  // chroma format 4:4:4
        bits.Skip(1);        // separate colour planes
    const std::uint64_t width = bits.ExpGolomb(), height = bits.ExpGolomb();
    if (bits.Failed())
        return std::nullopt;
    return PictureSize{width, height};
}

void AddSpsFrameSize(Bytes unit, std::vector<PictureSize>& sizes)
{
    if (const std::optional<PictureSize> size = SpsFrameSize(unit))
        sizes.push_back(*size);
}

// NAL units after 4-byte lengths: how libheif hands an item to libde265.
void AddHevcItemFrameSizes(Bytes units, std::vector<PictureSize>& sizes)
{
    for (FieldReader reader(units); !reader.Rest().empty() && !reader.Failed();)
        AddSpsFrameSize(reader.Take(reader.Read(4)), sizes);
}

// The parameter set arrays after the 22 bytes of an hvcC record's header.
void AddHevcConfigFrameSizes(Bytes record, std::vector<PictureSize>& sizes)
{
    FieldReader reader(record);
    reader.Skip(22);
    for (std::uint64_t arrays = reader.Read(1); arrays > 0 && !reader.Failed(); --arrays) {
        reader.Skip(1);  // completeness and unit type
        for (std::uint64_t units = reader.Read(2); units > 0 && !reader.Failed(); --units)
            AddSpsFrameSize(reader.Take(reader.Read(2)), sizes);
    }
}

// ---- AV1 ----

// The largest frame of a sequence header OBU's payload: its fields up to
// max_frame_width_minus_1 and max_frame_height_minus_1.
std::optional<PictureSize> SequenceHeaderFrameSize(Bytes payload)
{
    BitReader bits(payload);
    bits.Skip(3 + 1);  // profile, still picture
    if (bits.Bits(1)) {  // reduced still picture header
        bits.Skip(5);    // level
    } else {
        bool decoderModel = false;
        unsigned delayBits = 0;
        if (bits.Bits(1)) {       // timing info
            bits.Skip(32 + 32);   // display tick, time scale
            if (bits.Bits(1))     // equal picture interval
                bits.ExpGolomb();  // ticks per picture
            decoderModel = bits.Bits(1) != 0;
            if (decoderModel) {
                delayBits = unsigned(bits.Bits(5)) + 1;
                bits.Skip(32 + 5 + 5);  // decoding tick, removal time and presentation time lengths
            }
        }
        const bool displayDelay = bits.Bits(1) != 0;
        for (std::uint64_t points = bits.Bits(5) + 1; points > 0 && !bits.Failed(); --points) {
            bits.Skip(12);              // operating point
            if (bits.Bits(5) > 7)       // level
                bits.Skip(1);           // tier
            if (decoderModel && bits.Bits(1))
                bits.Skip(2 * delayBits + 1);  // decoder and encoder buffer delays, low delay mode
            if (displayDelay && bits.Bits(1))
                bits.Skip(4);
        }
    }
    const auto widthBits = unsigned(bits.Bits(4)) + 1, heightBits = unsigned(bits.Bits(4)) + 1;
    const std::uint64_t width = bits.Bits(widthBits) + 1, height = bits.Bits(heightBits) + 1;
    if (bits.Failed())
        return std::nullopt;
    return PictureSize{width, height};
}

// OBUs: a header byte (type in bits 3 to 6, an extension byte after it with
// bit 2, a size field with bit 1), the size as LEB128, the payload.
void AddAv1FrameSizes(Bytes obus, std::vector<PictureSize>& sizes)
{
    constexpr std::uint64_t kSequenceHeader = 1;
    for (FieldReader reader(obus); !reader.Rest().empty() && !reader.Failed();) {
        const std::uint64_t header = reader.Read(1);
        if (header & 4)
            reader.Skip(1);
        std::uint64_t size = reader.Rest().size();
        if (header & 2) {
            size = 0;
            for (unsigned i = 0; i < 8; ++i) {
                const std::uint64_t byte = reader.Read(1);
                size |= (byte & 0x7F) << (7 * i);
                if (!(byte & 0x80))
                    break;
            }
        }
        const Bytes payload = reader.Take(size);
        if (((header >> 3) & 15) == kSequenceHeader && !reader.Failed())
            if (const std::optional<PictureSize> frame = SequenceHeaderFrameSize(payload))
                sizes.push_back(*frame);
    }
}

bool MetaDerivationSourcesExist(Bytes meta)
{
    const std::map<std::uint32_t, std::uint32_t> types = ItemTypes(meta);
    const auto isPicture = [&](std::uint32_t id) {
        const auto item = types.find(id);
        if (item == types.end())
            return false;
        switch (item->second) {
        case FourCC("hvc1"):
        case FourCC("av01"):
        case FourCC("grid"):
        case FourCC("iovl"):
        case FourCC("iden"):
            return true;
        default:
            return false;
        }
    };
    FieldReader box(FindBox(meta, FourCC("iref")));
    const std::size_t idBytes = box.Read(1) == 0 ? 2 : 4;
    box.Skip(3);
    bool exist = true;
    const auto checkSources = [&](std::uint32_t type, FieldReader& reference) {
        const bool derivation = type == FourCC("dimg");
        reference.Skip(idBytes);  // the derived picture
        for (std::uint64_t count = reference.Read(2); count > 0 && !reference.Failed(); --count) {
            const auto source = std::uint32_t(reference.Read(idBytes));
            if (derivation && !reference.Failed() && !isPicture(source))
                exist = false;
        }
    };
    // Each reference is a box; libheif (1.15) reads their headers and
    // fields one after another and pays no heed to their sizes, so both
    // readings are checked.
    ForEachBox(box.Rest(), [&](std::uint32_t type, Bytes payload) {
        FieldReader reference(payload);
        checkSources(type, reference);
    });
    for (FieldReader references(box.Rest()); !references.Rest().empty() && !references.Failed();) {
        const std::uint64_t size = references.Read(4);
        const auto type = std::uint32_t(references.Read(4));
        if (size == 1)
            references.Skip(8);
        if (type == FourCC("uuid"))
            references.Skip(16);
        checkSources(type, references);
    }
    return exist;
}

// Adds the sizes one meta box declares; false as ForEachItemData.
bool AddMetaPictureSizes(Bytes file, Bytes meta, std::vector<PictureSize>& sizes)
{
    ForEachBox(ItemProperties(meta), [&](std::uint32_t type, Bytes payload) {
        if (type == FourCC("hvcC"))
            AddHevcConfigFrameSizes(payload, sizes);
        else if (type == FourCC("av1C") && payload.size() >= 4)
            AddAv1FrameSizes(payload.subspan(4), sizes);  // the configuration OBUs
    });
    const std::map<std::uint32_t, std::uint32_t> types = ItemTypes(meta);
    const auto addItemSizes = [&](std::uint32_t id, Bytes data) {
        const auto item = types.find(id);
        const std::uint32_t type = item == types.end() ? 0 : item->second;
        if (type == FourCC("hvc1"))
            AddHevcItemFrameSizes(data, sizes);
        else if (type == FourCC("av01"))
            AddAv1FrameSizes(data, sizes);
        else if (type == FourCC("grid") || type == FourCC("iovl"))
            if (const std::optional<PictureSize> canvas = CanvasOf(data, type == FourCC("iovl")))
                sizes.push_back(*canvas);
    };
    // Either reading of the location box may be the one the decoder acts on.
    for (const bool indexInVersion1 : {true, false})
        if (!ForEachItemData(file, meta, indexInVersion1, addItemSizes))
            return false;
    return true;
}

}  // namespace

bool CarriesAv1(Bytes file)
{
    bool carries = false;
    ForEachMeta(file, [&](Bytes meta) { carries = carries || !FindBox(ItemProperties(meta), FourCC("av1C")).empty(); });
    return carries;
}

bool DerivationSourcesExist(Bytes file)
{
    bool exist = true;
    ForEachMeta(file, [&](Bytes meta) { exist = exist && MetaDerivationSourcesExist(meta); });
    return exist;
}

std::optional<std::vector<PictureSize>> DeclaredPictureSizes(Bytes file)
{
    std::vector<PictureSize> sizes;
    bool whole = true;
    ForEachMeta(file, [&](Bytes meta) { whole = AddMetaPictureSizes(file, meta, sizes) && whole; });
    if (!whole)
        return std::nullopt;
    return sizes;
}

}  // namespace pximage
