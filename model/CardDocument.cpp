#include "model/CardDocument.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cctype>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/ZipWriter.h"

namespace {

constexpr const char* kDescriptionEntry = kCardDescriptionEntry;
constexpr const char* kTemplateEntry = "Template/this.tpl";
constexpr const char* kTemplateThumbnailEntry = "Template/thumb.jpg";

// Bounds no card the program makes comes near; beyond them a file is
// damaged or made to exhaust the reader.
constexpr std::size_t kMaxEntries = 10000;
constexpr std::size_t kMaxElements = 10000;
constexpr std::size_t kMaxTextUnits = 65536;
constexpr std::uint64_t kMaxDescriptionBytes = 8u << 20;
constexpr std::uint64_t kMaxEntryBytes = 0x7FFFFFFF;  // what the picture decoders read
// Deflated entries: the writer deflates none larger, and deflate cannot
// expand more than 1032 times; a larger claim is a bomb or damage.
constexpr std::uint64_t kMaxDeflatedBytes = 64u << 20;
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr LONG kMaxCoordinate = 1000000;
constexpr LONG kMaxSide = 65536;

std::size_t MediaTypeLength()
{
    return std::strlen(kCardMediaType);
}

// ---- writing ----

// Picture formats whose streams are compressed already are stored as they
// are; the rest (bitmaps, uncompressed TIFF) are deflated when small enough.
bool Compressed(const std::vector<std::uint8_t>& bytes)
{
    auto starts = [&](std::size_t at, const char* magic) {
        const std::size_t n = std::strlen(magic);
        return bytes.size() >= at + n && std::memcmp(bytes.data() + at, magic, n) == 0;
    };
    return starts(0, "\xFF\xD8") || starts(0, "\x89PNG") || starts(0, "GIF8") || starts(8, "WEBP") ||
           starts(4, "ftyp") || starts(4, "jP  ") || starts(0, "\xFF\x4F\xFF\x51");
}

std::string Extension(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    std::string extension;
    if (dot != std::string::npos && dot + 1 < name.size() && name.size() - dot <= 6)
        for (char c : name.substr(dot + 1))
            if (std::isalnum(static_cast<unsigned char>(c)))
                extension += char(std::tolower(static_cast<unsigned char>(c)));
    return extension.empty() ? "bin" : extension;
}

QJsonArray Pair(LONG a, LONG b)
{
    return QJsonArray{qint64(a), qint64(b)};
}

QJsonObject FontObject(const LOGFONTW& font)
{
    std::u16string face;
    for (WCHAR unit : font.lfFaceName) {
        if (unit == 0)
            break;
        face.push_back(char16_t(unit));
    }
    return QJsonObject{{"height", qint64(font.lfHeight)},
                       {"width", qint64(font.lfWidth)},
                       {"escapement", qint64(font.lfEscapement)},
                       {"orientation", qint64(font.lfOrientation)},
                       {"weight", qint64(font.lfWeight)},
                       {"italic", font.lfItalic},
                       {"underline", font.lfUnderline},
                       {"strikeOut", font.lfStrikeOut},
                       {"charSet", font.lfCharSet},
                       {"outPrecision", font.lfOutPrecision},
                       {"clipPrecision", font.lfClipPrecision},
                       {"quality", font.lfQuality},
                       {"pitchAndFamily", font.lfPitchAndFamily},
                       {"face", QString::fromStdU16String(face)}};
}

// A text that UTF-8 cannot carry unit for unit (a lone surrogate) is kept
// as its UTF-16 units.
void PutText(QJsonObject& object, const std::u16string& text)
{
    const QString string = QString::fromStdU16String(text);
    if (QString::fromUtf8(string.toUtf8()).toStdU16String() == text) {
        object["text"] = string;
        return;
    }
    QJsonArray units;
    for (char16_t unit : text)
        units.append(int(unit));
    object["units"] = units;
}

const char* const kPlacements[] = {"left", "centre", "right"};

// A text's look: only what differs from a plain text, so a plain text's
// description is as it always was.
void PutLook(QJsonObject& object, const TextLook& look)
{
    if (look.align != TextAlign::Left)
        object["align"] = kPlacements[int(look.align)];
    if (look.HasOutline())
        object["outline"] = QJsonObject{{"colour", qint64(look.outline.colour)}, {"width", look.outline.width}};
    if (look.shadow.shown)
        object["shadow"] = QJsonObject{{"colour", qint64(look.shadow.colour)},
                                       {"dx", look.shadow.dx},
                                       {"dy", look.shadow.dy},
                                       {"blur", look.shadow.blur}};
}

QByteArray Describe(const CardRecord& record, const CardEntryNames& names)
{
    QJsonArray photos;
    for (std::size_t i = 0; i < record.photos.size(); ++i)
        photos.append(QJsonObject{{"entry", QString::fromStdString(names.photos[i])},
                                  {"name", QString::fromStdString(record.photos[i]->name)}});
    QJsonArray elements;
    static const char* const kTypes[] = {"frame", "photo", "text"};
    for (const CardElementRecord& element : record.elements) {
        QJsonObject out{{"type", kTypes[int(element.type)]},
                        {"kind", element.kind},
                        {"pos", Pair(element.pos.x, element.pos.y)},
                        {"size", Pair(element.size.cx, element.size.cy)}};
        if (element.type == CardElementType::Text) {
            out["font"] = FontObject(element.font);
            out["colour"] = qint64(element.colour);
            PutText(out, element.text);
            PutLook(out, element.look);
        } else {
            // The float widened to double and printed shortest comes back bit for bit.
            out["angle"] = double(element.angle);
            out["flip"] = element.flip;
            out["mirror"] = element.mirror;
            if (element.type == CardElementType::Photo)
                out["photo"] = qint64(element.photo);
        }
        elements.append(out);
    }
    QJsonObject description{
        {"format", kCardMediaType},
        {"version", QJsonArray{kCardFormatMajor, kCardFormatMinor}},
        {"view", QJsonObject{{"client", Pair(record.client.cx, record.client.cy)},
                             {"origin", Pair(record.origin.x, record.origin.y)}}},
        {"photos", photos},
        {"elements", elements},
        {"selected", qint64(record.selected)}};
    QJsonObject templateObject{{"entry", QString::fromStdString(names.templateFile)},
                               {"name", QString::fromStdString(record.templateFile->name)},
                               {"folder", QString::fromStdString(record.templateFolder)}};
    if (!record.templateFile->thumbnail.empty())
        templateObject["thumbnail"] = QString::fromStdString(names.templateThumbnail);
    description["template"] = templateObject;
    if (!record.cardFile.empty())
        description["cardFile"] = QString::fromStdString(record.cardFile);
    return QJsonDocument(description).toJson(QJsonDocument::Indented);
}

}  // namespace

std::string EntryExtension(const std::string& name)
{
    return Extension(name);
}

std::string DescribeCard(const CardRecord& record, const CardEntryNames& names)
{
    return Describe(record, names).toStdString();
}

bool WriteCardDocument(const CardRecord& record, const std::vector<std::uint8_t>& preview,
                       const std::filesystem::path& path, std::string& why)
{
    if (!record.templateFile) {
        why = "the card has no template";
        return false;
    }
    CardEntryNames names{kTemplateEntry, kTemplateThumbnailEntry, {}};
    for (std::size_t i = 0; i < record.photos.size(); ++i)
        names.photos.push_back("Photos/photo-" + std::to_string(i + 1) + "." + Extension(record.photos[i]->name));
    const QByteArray description = Describe(record, names);

    ZipWriter zip(path);
    if (!zip.IsOpen()) {
        why = zip.Reason();
        return false;
    }
    auto add = [&](const std::string& name, const std::vector<std::uint8_t>& bytes, bool deflate) {
        return zip.AddBytes(name, bytes.data(), bytes.size(), deflate && bytes.size() <= kMaxDeflatedBytes, why);
    };
    bool ok = zip.AddBytes("mimetype", kCardMediaType, MediaTypeLength(), false, why) &&
              zip.AddBytes(kDescriptionEntry, description.constData(), std::size_t(description.size()), true, why) &&
              add(kTemplateEntry, record.templateFile->bytes, false) &&
              (record.templateFile->thumbnail.empty() ||
               add(kTemplateThumbnailEntry, record.templateFile->thumbnail, false));
    for (std::size_t i = 0; ok && i < record.photos.size(); ++i)
        ok = add(names.photos[i], record.photos[i]->bytes, !Compressed(record.photos[i]->bytes));
    ok = ok && (preview.empty() || add(kCardPreviewEntry, preview, false)) && zip.Commit(why);
    return ok;
}

// ---- reading ----

namespace {

// minizip's file functions over a block of memory.
struct MemoryStream {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t position = 0;
};

voidpf OpenMemory(voidpf opaque, const void*, int)
{
    static_cast<MemoryStream*>(opaque)->position = 0;
    return opaque;
}

uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* memory = static_cast<MemoryStream*>(stream);
    const std::uint64_t count = std::min<std::uint64_t>(size, memory->size - std::min(memory->position, memory->size));
    if (count)
        std::memcpy(buffer, memory->data + memory->position, std::size_t(count));
    memory->position += count;
    return uLong(count);
}

uLong WriteMemory(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T TellMemory(voidpf, voidpf stream)
{
    return static_cast<MemoryStream*>(stream)->position;
}

long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* memory = static_cast<MemoryStream*>(stream);
    const std::uint64_t base =
        origin == ZLIB_FILEFUNC_SEEK_CUR ? memory->position : origin == ZLIB_FILEFUNC_SEEK_END ? memory->size : 0;
    if (offset > memory->size || base + offset > memory->size)
        return -1;
    memory->position = base + offset;
    return 0;
}

int CloseMemory(voidpf, voidpf)
{
    return 0;
}

int MemoryError(voidpf, voidpf)
{
    return 0;
}

struct EntryInfo {
    std::uint64_t compressed = 0;
    std::uint64_t size = 0;
    bool deflated = false;
};

// Where a card's entries are read from: a card file's archive or a folder.
class CardEntries {
public:
    virtual ~CardEntries() = default;
    virtual bool Has(const std::string& name) const = 0;
    // The entry whole, at most limit bytes; false with the reason.
    virtual bool Read(const std::string& name, std::vector<std::uint8_t>& out, std::uint64_t limit,
                      std::string& why) = 0;
};

// The archive's directory, checked, and its entries read into memory.
class CardArchive : public CardEntries {
public:
    CardArchive(const std::uint8_t* bytes, std::size_t size) : m_stream{bytes, size} {}
    ~CardArchive()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    CardArchive(const CardArchive&) = delete;
    CardArchive& operator=(const CardArchive&) = delete;

    bool Open(std::string& why);
    bool Has(const std::string& name) const override { return m_entries.count(name) != 0; }
    bool Read(const std::string& name, std::vector<std::uint8_t>& out, std::uint64_t limit, std::string& why) override;

private:
    MemoryStream m_stream;
    unzFile m_zip = nullptr;
    std::map<std::string, EntryInfo> m_entries;
};

bool SafeEntryName(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos || (name.size() > 1 && name[1] == ':'))
        return false;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        if (name.compare(start, slash - start, "..") == 0 && slash - start == 2)
            return false;
        start = slash + 1;
    }
    return true;
}

bool CardArchive::Open(std::string& why)
{
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenMemory;
    functions.zread_file = ReadMemory;
    functions.zwrite_file = WriteMemory;
    functions.ztell64_file = TellMemory;
    functions.zseek64_file = SeekMemory;
    functions.zclose_file = CloseMemory;
    functions.zerror_file = MemoryError;
    functions.opaque = &m_stream;
    m_zip = unzOpen2_64("card", &functions);
    if (!m_zip) {
        why = "its table of contents is missing or damaged (the file may be cut short)";
        return false;
    }
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(m_zip, &global) != UNZ_OK || global.number_entry > kMaxEntries) {
        why = "it holds more entries than a card has";
        return false;
    }
    std::uint64_t deflatedTotal = 0;
    for (int status = unzGoToFirstFile(m_zip); status != UNZ_END_OF_LIST_OF_FILE; status = unzGoToNextFile(m_zip)) {
        unz_file_info64 info{};
        char name[1024];
        if (status != UNZ_OK ||
            unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            info.size_filename >= sizeof name) {
            why = "its table of contents is damaged";
            return false;
        }
        const std::string entry(name, info.size_filename);
        if (!SafeEntryName(entry)) {
            why = "it names an entry '" + entry + "' outside the card";
            return false;
        }
        if (info.flag & 1) {
            why = "its entry " + entry + " is encrypted";
            return false;
        }
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
            why = "its entry " + entry + " is compressed in a way cards are not";
            return false;
        }
        const bool deflated = info.compression_method == Z_DEFLATED;
        if (info.compressed_size > m_stream.size || info.uncompressed_size > kMaxEntryBytes ||
            (!deflated && info.compressed_size != info.uncompressed_size)) {
            why = "its entry " + entry + " declares " + std::to_string(info.uncompressed_size) +
                  " bytes, more than the file can hold";
            return false;
        }
        if (deflated) {
            deflatedTotal += info.uncompressed_size;
            if (info.uncompressed_size > kMaxDeflatedBytes || deflatedTotal > 4 * kMaxDeflatedBytes ||
                info.uncompressed_size > kMaxDeflateRatio * info.compressed_size + 1024) {
                why = "its entry " + entry + " would expand to " + std::to_string(info.uncompressed_size) +
                      " bytes from " + std::to_string(info.compressed_size) + " (a ZIP bomb?)";
                return false;
            }
        }
        if (!m_entries.emplace(entry, EntryInfo{info.compressed_size, info.uncompressed_size, deflated}).second) {
            why = "it holds the entry " + entry + " twice";
            return false;
        }
    }
    return true;
}

bool CardArchive::Read(const std::string& name, std::vector<std::uint8_t>& out, std::uint64_t limit, std::string& why)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end()) {
        why = "it lacks its entry " + name;
        return false;
    }
    if (found->second.size > limit) {
        why = "its entry " + name + " is larger than such an entry can be";
        return false;
    }
    out.assign(std::size_t(found->second.size), 0);
    bool ok = unzLocateFile(m_zip, name.c_str(), 1) == UNZ_OK && unzOpenCurrentFile(m_zip) == UNZ_OK;
    std::size_t done = 0;
    while (ok && done < out.size()) {
        const unsigned step = unsigned(std::min<std::size_t>(out.size() - done, 1u << 24));
        const int got = unzReadCurrentFile(m_zip, out.data() + done, step);
        ok = got > 0;
        done += ok ? std::size_t(got) : 0;
    }
    // Nothing may follow the declared size, and the checksum must match.
    std::uint8_t extra;
    ok = ok && unzReadCurrentFile(m_zip, &extra, 1) == 0;
    ok = unzCloseCurrentFile(m_zip) == UNZ_OK && ok;
    if (!ok) {
        why = "its entry " + name + " is damaged or cut short";
        out.clear();
    }
    return ok;
}

// ---- the description ----

class Reader {
public:
    explicit Reader(std::string& why) : m_why(why) {}

    bool Fail(const std::string& what)
    {
        if (m_ok)
            m_why = "its description " + what;
        m_ok = false;
        return false;
    }
    bool Ok() const { return m_ok; }

    std::int64_t Integer(const QJsonObject& object, const char* key, std::int64_t min, std::int64_t max,
                         std::optional<std::int64_t> otherwise = std::nullopt)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined() && otherwise)
            return *otherwise;
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || !std::isfinite(number) || number != std::floor(number) || number < double(min) ||
            number > double(max)) {
            Fail("has no whole number from " + std::to_string(min) + " to " + std::to_string(max) + " as '" + key + "'");
            return min;
        }
        return std::int64_t(number);
    }

    bool Boolean(const QJsonObject& object, const char* key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            Fail("has no true or false as '" + std::string(key) + "'");
        return value.toBool();
    }

    // Two whole numbers [a, b], each from min to max.
    std::pair<LONG, LONG> Pair(const QJsonObject& object, const char* key, LONG min, LONG max)
    {
        const QJsonArray pair = object.value(QLatin1String(key)).toArray();
        LONG values[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            const double number = pair.size() == 2 && pair[i].isDouble() ? pair[i].toDouble() : std::nan("");
            if (!std::isfinite(number) || number != std::floor(number) || number < min || number > max) {
                Fail("has no pair of whole numbers from " + std::to_string(min) + " to " + std::to_string(max) +
                     " as '" + key + "'");
                return {0, 0};
            }
            values[i] = LONG(number);
        }
        return {values[0], values[1]};
    }

    std::u16string Text(const QJsonObject& object)
    {
        if (object.value("units").isArray()) {
            const QJsonArray units = object.value("units").toArray();
            if (std::size_t(units.size()) > kMaxTextUnits) {
                Fail("holds a text of more than 65536 characters");
                return {};
            }
            std::u16string text;
            for (const QJsonValue& unit : units)
                text.push_back(char16_t(Integer(QJsonObject{{"u", unit}}, "u", 0, 0xFFFF)));
            return text;
        }
        const QJsonValue value = object.value("text");
        if (!value.isString()) {
            Fail("has a text element without its text");
            return {};
        }
        std::u16string text = value.toString().toStdU16String();
        if (text.size() > kMaxTextUnits)
            Fail("holds a text of more than 65536 characters");
        return text;
    }

    // A size of an effect: a number within four times the largest a text
    // takes (beyond, the file is damaged or made to hurt), clamped later.
    double EffectSize(const QJsonObject& object, const char* key, double largest, const char* what)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        const double number = value.isUndefined() ? 0 : value.toDouble(std::nan(""));
        if (!std::isfinite(number) || std::fabs(number) > 4 * largest) {
            Fail("has a text whose " + std::string(what) + " is no number of pixels up to " +
                 std::to_string(int(largest)) + " ('" + key + "')");
            return 0;
        }
        return number;
    }

    TextLook Look(const QJsonObject& object)
    {
        TextLook look;
        const QJsonValue align = object.value("align");
        if (!align.isUndefined()) {
            const auto found = std::find(std::begin(kPlacements), std::end(kPlacements), align.toString());
            if (found == std::end(kPlacements))
                Fail("has a text placed neither left, centre nor right");
            else
                look.align = TextAlign(found - std::begin(kPlacements));
        }
        if (object.value("outline").isObject()) {
            const QJsonObject outline = object.value("outline").toObject();
            look.outline.colour = COLORREF(Integer(outline, "colour", 0, 0xFFFFFFFF, 0));
            look.outline.width = EffectSize(outline, "width", kMaxOutlineWidth, "outline's width");
        }
        if (object.value("shadow").isObject()) {
            const QJsonObject shadow = object.value("shadow").toObject();
            look.shadow.shown = true;
            look.shadow.colour = COLORREF(Integer(shadow, "colour", 0, 0xFFFFFFFF, 0));
            look.shadow.dx = EffectSize(shadow, "dx", kMaxShadowOffset, "shadow's offset");
            look.shadow.dy = EffectSize(shadow, "dy", kMaxShadowOffset, "shadow's offset");
            look.shadow.blur = EffectSize(shadow, "blur", kMaxShadowBlur, "shadow's softness");
        }
        return ClampedLook(look);
    }

    LOGFONTW Font(const QJsonObject& object)
    {
        LOGFONTW font{};
        if (!object.value("font").isObject()) {
            Fail("has a text element without its font");
            return font;
        }
        const QJsonObject f = object.value("font").toObject();
        constexpr std::int64_t kLongMin = INT32_MIN, kLongMax = INT32_MAX;
        font.lfHeight = LONG(Integer(f, "height", kLongMin, kLongMax));
        font.lfWidth = LONG(Integer(f, "width", kLongMin, kLongMax));
        font.lfEscapement = LONG(Integer(f, "escapement", kLongMin, kLongMax, 0));
        font.lfOrientation = LONG(Integer(f, "orientation", kLongMin, kLongMax, 0));
        font.lfWeight = LONG(Integer(f, "weight", kLongMin, kLongMax, 400));
        font.lfItalic = BYTE(Integer(f, "italic", 0, 255, 0));
        font.lfUnderline = BYTE(Integer(f, "underline", 0, 255, 0));
        font.lfStrikeOut = BYTE(Integer(f, "strikeOut", 0, 255, 0));
        font.lfCharSet = BYTE(Integer(f, "charSet", 0, 255, 0));
        font.lfOutPrecision = BYTE(Integer(f, "outPrecision", 0, 255, 0));
        font.lfClipPrecision = BYTE(Integer(f, "clipPrecision", 0, 255, 0));
        font.lfQuality = BYTE(Integer(f, "quality", 0, 255, 0));
        font.lfPitchAndFamily = BYTE(Integer(f, "pitchAndFamily", 0, 255, 0));
        const std::u16string face = f.value("face").toString().toStdU16String();
        std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), font.lfFaceName);
        return font;
    }

private:
    std::string& m_why;
    bool m_ok = true;
};

bool ReadElement(Reader& reader, const QJsonObject& object, std::size_t photos, CardElementRecord& element)
{
    const QString type = object.value("type").toString();
    if (type == "frame")
        element.type = CardElementType::Frame;
    else if (type == "photo")
        element.type = CardElementType::Photo;
    else if (type == "text")
        element.type = CardElementType::Text;
    else
        return reader.Fail("has an element of unknown type '" + type.left(40).toStdString() + "'");
    element.kind = std::int32_t(reader.Integer(object, "kind", ELEMENT_USER, ELEMENT_TEMPLATE_FRAME));
    if ((element.type == CardElementType::Frame) != (element.kind == ELEMENT_TEMPLATE_FRAME))
        return reader.Fail("has a frame that is not of the template's kind");
    const auto [x, y] = reader.Pair(object, "pos", -kMaxCoordinate, kMaxCoordinate);
    const auto [cx, cy] = reader.Pair(object, "size", 0, kMaxSide);
    element.pos = {x, y};
    element.size = {cx, cy};
    if (element.type == CardElementType::Text) {
        element.font = reader.Font(object);
        element.colour = COLORREF(reader.Integer(object, "colour", 0, 0xFFFFFFFF));
        element.text = reader.Text(object);
        element.look = reader.Look(object);
        return reader.Ok();
    }
    const QJsonValue angle = object.value("angle");
    const double degrees = angle.isUndefined() ? 0 : angle.toDouble(std::nan(""));
    if (!std::isfinite(degrees) || std::fabs(degrees) > 720)
        return reader.Fail("has a picture turned by no number of degrees");
    element.angle = float(degrees);
    element.flip = reader.Boolean(object, "flip");
    element.mirror = reader.Boolean(object, "mirror");
    if (element.type == CardElementType::Photo) {
        const std::int64_t photo = reader.Integer(object, "photo", 0, INT32_MAX);
        if (reader.Ok() && std::size_t(photo) >= photos)
            return reader.Fail("places a photo the card does not hold");
        element.photo = std::size_t(photo);
    }
    return reader.Ok();
}

// The stored mimetype entry: a local header at 0 naming "mimetype", stored
// (method 0), sizes equal, no extra field, the media type as its content.
std::string FirstEntryProblem(const std::uint8_t* bytes, std::size_t size)
{
    const std::size_t length = MediaTypeLength();
    if (size < 4 || std::memcmp(bytes, "PK\x03\x04", 4) != 0)
        return "it is not a card file (not a ZIP container)";
    if (size < 38 || std::memcmp(bytes + 26, "\x08\x00\x00\x00", 4) != 0 || std::memcmp(bytes + 30, "mimetype", 8) != 0)
        return "it is a ZIP file, but not a card: its first entry is not 'mimetype'";
    auto le32 = [&](std::size_t at) {
        return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16 |
               std::uint32_t(bytes[at + 3]) << 24;
    };
    const bool stored = bytes[8] == 0 && bytes[9] == 0;
    if (!stored || le32(18) != length || le32(22) != length || size < 38 + length ||
        std::memcmp(bytes + 38, kCardMediaType, length) != 0)
        return "it is a ZIP file, but not a card: its 'mimetype' entry does not say " + std::string(kCardMediaType);
    return {};
}

bool ReadDescription(const QByteArray& json, const CardEntries& archive, CardRecord& record, CardEntryNames& names,
                     std::string& why)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        why = "its description is not a JSON object (" +
              (error.error != QJsonParseError::NoError ? error.errorString().toStdString() + " at byte " +
                                                             std::to_string(error.offset)
                                                       : std::string("another kind of value")) +
              ")";
        return false;
    }
    const QJsonObject description = document.object();
    if (description.value("format").toString() != QLatin1String(kCardMediaType)) {
        why = "its description is not that of a card";
        return false;
    }
    Reader reader(why);
    const QJsonArray version = description.value("version").toArray();
    const std::int64_t major =
        version.isEmpty() ? -1 : reader.Integer(QJsonObject{{"major", version[0]}}, "major", 0, INT32_MAX);
    if (!reader.Ok() || major < 1) {
        why = "its description has no format version";
        return false;
    }
    if (major > kCardFormatMajor) {
        why = "it was made by a newer version of Orvantis (card format " + std::to_string(major) +
              "); this version reads card format " + std::to_string(kCardFormatMajor);
        return false;
    }
    const QJsonObject view = description.value("view").toObject();
    const auto [cw, ch] = reader.Pair(view, "client", 0, kMaxSide);
    const auto [ox, oy] = reader.Pair(view, "origin", -kMaxCoordinate, kMaxCoordinate);
    record.client = {cw, ch};
    record.origin = {ox, oy};
    const QJsonObject templateObject = description.value("template").toObject();
    record.templateFolder = templateObject.value("folder").toString().toStdString();
    record.cardFile = description.value("cardFile").toString().toStdString();
    names.templateFile = templateObject.value("entry").toString(kTemplateEntry).toStdString();
    names.templateThumbnail = templateObject.value("thumbnail").toString().toStdString();
    if (!names.templateFile.starts_with("Template/") || !archive.Has(names.templateFile))
        return reader.Fail("names a template the card does not hold");
    if (!names.templateThumbnail.empty() &&
        (!names.templateThumbnail.starts_with("Template/") || !archive.Has(names.templateThumbnail)))
        names.templateThumbnail.clear();
    auto templateFile = std::make_shared<SourceFile>();
    templateFile->name = templateObject.value("name").toString().left(255).toStdString();
    record.templateFile = std::move(templateFile);

    const QJsonArray photos = description.value("photos").toArray();
    const QJsonArray elements = description.value("elements").toArray();
    if (std::size_t(elements.size()) > kMaxElements || std::size_t(photos.size()) > kMaxElements)
        return reader.Fail("lists more than 10000 elements");
    std::set<std::string> seen;
    for (const QJsonValue& photo : photos) {
        const std::string entry = photo.toObject().value("entry").toString().toStdString();
        if (!archive.Has(entry) || !entry.starts_with("Photos/") || !seen.insert(entry).second)
            return reader.Fail("names a photo '" + entry.substr(0, 80) + "' the card does not hold");
        names.photos.push_back(entry);
        auto file = std::make_shared<SourceFile>();
        file->name = photo.toObject().value("name").toString().left(255).toStdString();
        record.photos.push_back(std::move(file));
    }
    std::size_t frames = 0;
    for (const QJsonValue& value : elements) {
        if (!value.isObject())
            return reader.Fail("lists an element that is not an object");
        CardElementRecord element;
        if (!ReadElement(reader, value.toObject(), record.photos.size(), element))
            return false;
        frames += element.type == CardElementType::Frame;
        record.elements.push_back(std::move(element));
    }
    if (frames != 1)
        return reader.Fail("does not place exactly one frame");
    record.selected = reader.Integer(description, "selected", -1, std::int64_t(record.elements.size()) - 1, -1);
    return reader.Ok();
}

// The description and every file it names; the record is empty on failure.
bool ReadEntries(CardEntries& entries, CardRecord& record, std::string& why)
{
    std::vector<std::uint8_t> json;
    CardEntryNames names;
    bool ok = entries.Read(kDescriptionEntry, json, kMaxDescriptionBytes, why) &&
              ReadDescription(QByteArray::fromRawData(reinterpret_cast<const char*>(json.data()), qsizetype(json.size())),
                              entries, record, names, why);
    json = {};
    if (ok) {
        auto templateFile = std::const_pointer_cast<SourceFile>(record.templateFile);
        ok = entries.Read(names.templateFile, templateFile->bytes, kMaxEntryBytes, why) &&
             (names.templateThumbnail.empty() ||
              entries.Read(names.templateThumbnail, templateFile->thumbnail, kMaxDeflatedBytes, why));
    }
    for (std::size_t i = 0; ok && i < record.photos.size(); ++i) {
        auto photo = std::const_pointer_cast<SourceFile>(record.photos[i]);
        ok = entries.Read(names.photos[i], photo->bytes, kMaxEntryBytes, why);
    }
    if (!ok)
        record = CardRecord();
    return ok;
}

// A card kept as files in a folder, each read whole within the same bounds.
class CardFolder : public CardEntries {
public:
    explicit CardFolder(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    bool Has(const std::string& name) const override
    {
        std::error_code error;
        return SafeEntryName(name) && std::filesystem::is_regular_file(m_folder / name, error);
    }
    bool Read(const std::string& name, std::vector<std::uint8_t>& out, std::uint64_t limit, std::string& why) override
    {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(m_folder / name, error);
        if (!Has(name) || error) {
            why = "it lacks its file " + name;
            return false;
        }
        if (size > limit) {
            why = "its file " + name + " is larger than such a file can be";
            return false;
        }
        const SharedSourceFile file = ReadSourceFile(m_folder / name, why);
        if (!file) {
            why = "its file " + name + " cannot be read: " + why;
            return false;
        }
        out = file->bytes;
        return true;
    }

private:
    std::filesystem::path m_folder;
};

}  // namespace

bool HasCardExtension(const std::filesystem::path& name)
{
    const std::string extension = name.extension().string();
    return extension.size() == std::strlen(kCardExtension) &&
           std::equal(extension.begin(), extension.end(), kCardExtension,
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool LooksLikeCardDocument(const std::uint8_t* bytes, std::size_t size)
{
    return FirstEntryProblem(bytes, size).empty();
}

bool ReadCardDocument(std::vector<std::uint8_t> bytes, CardRecord& record, std::string& why)
{
    record = CardRecord();
    why = FirstEntryProblem(bytes.data(), bytes.size());
    if (!why.empty())
        return false;
    CardArchive archive(bytes.data(), bytes.size());
    return archive.Open(why) && ReadEntries(archive, record, why);
}

bool ReadCardFolder(const std::filesystem::path& folder, CardRecord& record, std::string& why)
{
    record = CardRecord();
    CardFolder entries(folder);
    return ReadEntries(entries, record, why);
}

bool ReadCardPreview(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& png, std::string& why)
{
    why = FirstEntryProblem(bytes, size);
    if (!why.empty())
        return false;
    CardArchive archive(bytes, size);
    return archive.Open(why) && archive.Read(kCardPreviewEntry, png, kMaxDeflatedBytes, why);
}

bool ReadCardPreview(const std::filesystem::path& card, std::vector<std::uint8_t>& png, std::string& why)
{
    const int fd = ::open(card.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = "it is not a file";
        return false;
    }
    const std::size_t size = std::size_t(status.st_size);
    void* mapped = size ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (mapped == MAP_FAILED) {
        why = size ? std::strerror(errno) : "the file is empty";
        return false;
    }
    const bool read = ReadCardPreview(static_cast<const std::uint8_t*>(mapped), size, png, why);
    ::munmap(mapped, size);
    return read;
}
