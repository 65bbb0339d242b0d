// GIF reading and writing with the format's own LZW coder.
//
// The decoder first walks every block of the file, keeping only stream
// positions, so that numFrames is known even when the frame asked for is not
// there. It then replays frames 0..frame onto a canvas the size of the
// logical screen, applying each earlier frame's disposal, and hands over the
// canvas as the picture.
#include "image/codecs/PxImageGIF.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/codecs/CodecSupport.h"

using pximage::LoadLE16;
using pximage::StoreLE16;

namespace {

constexpr char kNotGif[] = "Not a GIF";
constexpr char kCorrupted[] = "corrupted GIF";
constexpr char kNoFrame[] = "GIF frame not present";
constexpr char kScreenTooLarge[] = "GIF logical screen too large";
constexpr char kNoMemory[] = "Can't allocate memory";
constexpr char kCancelled[] = "Cancelled";
constexpr char kSizeOnly[] = "output dimensions returned";
constexpr char kWriteError[] = "Write Error in GIF file";
constexpr char kDepthRefused[] = "GIF can save only 1, 4 or 8 bpp images";
constexpr char kImageTooLarge[] = "GIF images can be at most 65535 x 65535 pixels";

constexpr int kMaxCodes = 4096;  // codes are at most 12 bits wide
constexpr int kMaxCodeBits = 12;

// A code of w bits stands for at most 2^w pixels, so a data byte paints at
// most 8 * 4096 / 12 pixels. A screen far larger than the whole file could
// paint is refused before its canvas exists; screens up to 16 M pixels pass.
constexpr std::uint64_t kPixelsPerDataByte = 2731;
constexpr std::uint64_t kScreenPixelsAlwaysAllowed = std::uint64_t(1) << 24;

constexpr int kExtension = 0x21;
constexpr int kImageDescriptor = 0x2C;
constexpr int kGraphicControl = 0xF9;
constexpr int kPlainText = 0x01;
constexpr int kApplication = 0xFF;
constexpr int kTrailer = 0x3B;

using ColorTable = std::array<RGBQUAD, 256>;

struct Frame {
    std::uint32_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::int32_t localTable = -1;  // stream position of the local colour table
    int localEntries = 0;
    std::int32_t data = 0;  // stream position of the LZW minimum code size
    int disposal = 0;
    int transIndex = -1;
    std::uint32_t delay = 0;  // hundredths of a second
};

struct Screen {
    std::uint32_t width = 0, height = 0;
    int background = 0;
    bool hasGlobal = false;
    ColorTable global{};
};

// One data sub-block: its length, 0 for the block terminator, -1 when the
// stream ends first.
int ReadSubBlock(PxFile& file, std::uint8_t* block)
{
    const int length = file.GetC();
    if (length <= 0)
        return length;
    return file.Read(block, 1, std::size_t(length)) == std::size_t(length) ? length : -1;
}

// True when the terminator was reached.
bool SkipSubBlocks(PxFile& file)
{
    std::uint8_t block[255];
    int length;
    while ((length = ReadSubBlock(file, block)) > 0) {
    }
    return length == 0;
}

bool ReadColorTable(PxFile& file, int entries, ColorTable& table)
{
    std::uint8_t rgb[3 * 256];
    if (file.Read(rgb, 3, std::size_t(entries)) != std::size_t(entries))
        return false;
    table.fill({});
    for (int i = 0; i < entries; ++i)
        table[i] = {rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
    return true;
}

ColorTable GreyRamp()
{
    ColorTable table;
    for (int i = 0; i < 256; ++i)
        table[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return table;
}

// Every image descriptor read completely is a frame. The walk ends at the
// trailer, where the data ends, or at a byte that starts no block, so that
// the frames before a damaged tail stay readable.
std::vector<Frame> WalkFrames(PxFile& file)
{
    std::vector<Frame> frames;
    Frame pending;  // carries a graphic-control extension to the next graphic
    std::uint8_t block[3 * 256];
    for (;;) {
        const int introducer = file.GetC();
        if (introducer == kExtension) {
            const int label = file.GetC();
            const int length = ReadSubBlock(file, block);
            if (label == kGraphicControl && length >= 4) {
                pending.disposal = (block[0] >> 2) & 7;
                pending.delay = LoadLE16(block + 1);
                pending.transIndex = (block[0] & 1) ? block[3] : -1;
            } else if (label == kPlainText) {
                pending = Frame{};  // the text consumed the control block
            }
            if (length < 0 || (length > 0 && !SkipSubBlocks(file)))
                break;
            continue;
        }
        if (introducer != kImageDescriptor)
            break;
        std::uint8_t d[9];
        if (file.Read(d, 1, 9) != 9)
            break;
        Frame frame = pending;
        pending = Frame{};
        frame.left = LoadLE16(d);
        frame.top = LoadLE16(d + 2);
        frame.width = LoadLE16(d + 4);
        frame.height = LoadLE16(d + 6);
        frame.interlaced = (d[8] & 0x40) != 0;
        if (d[8] & 0x80) {
            frame.localEntries = 2 << (d[8] & 7);
            frame.localTable = file.Tell();
            if (file.Read(block, 3, std::size_t(frame.localEntries)) != std::size_t(frame.localEntries))
                break;
        }
        frame.data = file.Tell();
        frames.push_back(frame);
        if (file.GetC() < 0 || !SkipSubBlocks(file))
            break;
    }
    return frames;
}

// The bits of the image data, least significant first, across sub-blocks.
class CodeReader {
public:
    explicit CodeReader(PxFile& file) : m_file(file) {}

    // The next code of the given width, or -1 when the data ends.
    int Read(int width)
    {
        while (m_bitCount < width) {
            if (m_pos == m_length) {
                m_length = m_ended ? -1 : ReadSubBlock(m_file, m_block);
                m_pos = 0;
                if (m_length <= 0) {
                    m_ended = true;
                    m_length = 0;
                    return -1;
                }
            }
            m_bits |= std::uint32_t(m_block[m_pos++]) << m_bitCount;
            m_bitCount += 8;
        }
        const int code = int(m_bits & ((1u << width) - 1));
        m_bits >>= width;
        m_bitCount -= width;
        return code;
    }

private:
    PxFile& m_file;
    std::uint8_t m_block[255];
    int m_length = 0;
    int m_pos = 0;
    bool m_ended = false;
    std::uint32_t m_bits = 0;
    int m_bitCount = 0;
};

// The string table of the decoder: each code is a prefix code plus one byte.
struct StringTable {
    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    std::uint8_t first[kMaxCodes];  // first byte of the code's string
    std::uint8_t stack[kMaxCodes];
};

// Row r of the file's order is picture row InterlacedRow(r): the four passes
// hold every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::uint32_t InterlacedRow(std::uint32_t r, std::uint32_t height)
{
    static constexpr std::uint32_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::uint32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const std::uint32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (r < rows)
            return kStart[pass] + r * kStep[pass];
        r -= rows;
    }
    return height;  // not reached for r < height
}

// Decodes one frame's image data, from its minimum code size byte, calling
// putRow(row, indices, count) for each picture row as it completes. Data that
// ends early (end code, terminator or end of stream before the last pixel)
// delivers the pixels it has and leaves the rest of the frame alone; false
// only for a corrupt code stream.
template <typename PutRow>
bool DecodeImageData(PxFile& file, const Frame& frame, PutRow&& putRow)
{
    if (frame.width == 0 || frame.height == 0)
        return true;
    const int minBits = file.GetC();
    if (minBits < 0)
        return true;
    if (minBits < 2 || minBits > 8)
        return false;
    const int clear = 1 << minBits;
    const int end = clear + 1;
    auto table = std::make_unique<StringTable>();
    for (int i = 0; i < clear; ++i)
        table->suffix[i] = table->first[i] = std::uint8_t(i);

    std::vector<std::uint8_t> row(frame.width);
    std::uint32_t x = 0, r = 0;
    int next = end + 1, bits = minBits + 1, prev = -1;
    CodeReader reader(file);
    auto deliver = [&](std::uint32_t count) {
        putRow(frame.interlaced ? InterlacedRow(r, frame.height) : r, row.data(), count);
    };
    while (r < frame.height) {
        const int code = reader.Read(bits);
        if (code < 0 || code == end) {
            if (x > 0)
                deliver(x);
            return true;
        }
        if (code == clear) {
            next = end + 1;
            bits = minBits + 1;
            prev = -1;
            continue;
        }
        if (prev < 0) {
            if (code > clear)
                return false;
        } else {
            // A code may name the slot about to be filled, never one beyond.
            if (code > next)
                return false;
            if (next < kMaxCodes) {
                table->prefix[next] = std::uint16_t(prev);
                table->suffix[next] = table->first[code == next ? prev : code];
                table->first[next] = table->first[prev];
                if (++next == (1 << bits) && bits < kMaxCodeBits)
                    ++bits;
            }
        }
        int length = 0;
        int c = code;
        for (; c >= clear; c = table->prefix[c])
            table->stack[length++] = table->suffix[c];
        table->stack[length++] = std::uint8_t(c);
        while (length > 0) {
            row[x] = table->stack[--length];
            if (++x == frame.width) {
                deliver(x);
                x = 0;
                if (++r == frame.height)
                    return true;
            }
        }
        prev = code;
    }
    return true;
}

// A canvas cell: an index into the requested frame's colour table, a colour
// that table lacks (kForeign | 0xRRGGBB), or nothing shown yet (kClear).
constexpr std::uint32_t kClear = 0xFFFFFFFF;
constexpr std::uint32_t kForeign = 0x01000000;
using CellTable = std::array<std::uint32_t, 256>;

std::uint32_t PackedRgb(RGBQUAD c)
{
    return (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

// Turns the indices of other colour tables into cells: the requested frame's
// entry of the same colour where there is one (never its transparent index,
// which would make an opaque pixel vanish), else the colour itself.
class CellMapper {
public:
    CellMapper(const ColorTable& target, int transIndex)
    {
        for (int i = 0; i < 256; ++i)
            if (i != transIndex)
                m_sorted.push_back((std::uint64_t(PackedRgb(target[i])) << 8) | std::uint64_t(i));
        std::sort(m_sorted.begin(), m_sorted.end());
    }

    CellTable Cells(const ColorTable& table) const
    {
        CellTable cells;
        for (int i = 0; i < 256; ++i) {
            const std::uint64_t rgb = PackedRgb(table[i]);
            const auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), rgb << 8);
            cells[i] = (it != m_sorted.end() && (*it >> 8) == rgb) ? std::uint32_t(*it & 0xFF)
                                                                     : kForeign | std::uint32_t(rgb);
        }
        return cells;
    }

private:
    std::vector<std::uint64_t> m_sorted;  // colour << 8 | index
};

struct Rect {
    std::uint32_t x0, y0, x1, y1;
};

class Canvas {
public:
    Canvas(std::uint32_t width, std::uint32_t height, std::uint32_t fill)
        : m_width(width), m_height(height), m_cells(std::size_t(width) * height, fill)
    {
    }

    // The part of a frame that lies on the screen.
    Rect Clip(const Frame& frame) const
    {
        return {std::min(frame.left, m_width), std::min(frame.top, m_height),
                std::min(frame.left + frame.width, m_width), std::min(frame.top + frame.height, m_height)};
    }

    void Fill(const Rect& rect, std::uint32_t value)
    {
        for (std::uint32_t y = rect.y0; y < rect.y1; ++y)
            std::fill(Row(y) + rect.x0, Row(y) + rect.x1, value);
    }

    std::vector<std::uint32_t> Save(const Rect& rect) const
    {
        std::vector<std::uint32_t> saved;
        saved.reserve(std::size_t(rect.x1 - rect.x0) * (rect.y1 - rect.y0));
        for (std::uint32_t y = rect.y0; y < rect.y1; ++y)
            saved.insert(saved.end(), Row(y) + rect.x0, Row(y) + rect.x1);
        return saved;
    }

    void Restore(const Rect& rect, const std::vector<std::uint32_t>& saved)
    {
        auto from = saved.begin();
        for (std::uint32_t y = rect.y0; y < rect.y1; ++y, from += rect.x1 - rect.x0)
            std::copy(from, from + (rect.x1 - rect.x0), Row(y) + rect.x0);
    }

    // The first count pixels of a decoded frame row; the frame's transparent
    // pixels leave what lies beneath.
    void Draw(const Frame& frame, std::uint32_t frameRow, const std::uint8_t* indices, std::uint32_t count,
              const CellTable& cells)
    {
        const Rect rect = Clip(frame);
        const std::uint64_t y = std::uint64_t(frame.top) + frameRow;
        if (y >= rect.y1)
            return;
        std::uint32_t* out = Row(std::uint32_t(y));
        const std::uint32_t x1 = std::min(rect.x1, std::max(rect.x0, frame.left + count));
        for (std::uint32_t x = rect.x0; x < x1; ++x) {
            const std::uint8_t index = indices[x - frame.left];
            if (index != frame.transIndex)
                out[x] = cells[index];
        }
    }

    std::uint32_t* Row(std::uint32_t y) { return m_cells.data() + std::size_t(y) * m_width; }
    const std::uint32_t* Row(std::uint32_t y) const { return m_cells.data() + std::size_t(y) * m_width; }

private:
    std::uint32_t m_width, m_height;
    std::vector<std::uint32_t> m_cells;
};

// The finished canvas as the picture: 8 bpp in the frame's table when every
// cell is an entry of it and cleared cells can show as its transparent index,
// else 24 bpp with an alpha plane for the cleared cells.
bool DeliverCanvas(const Canvas& canvas, const Screen& screen, const ColorTable& table, int transIndex,
                   PxImage& out)
{
    bool foreign = false, cleared = false;
    for (std::uint32_t y = 0; y < screen.height; ++y)
        for (const std::uint32_t* c = canvas.Row(y); c != canvas.Row(y) + screen.width; ++c) {
            cleared |= *c == kClear;
            foreign |= *c != kClear && *c >= 256;
        }
    const bool indexed = !foreign && (!cleared || transIndex >= 0);
    if (!out.Create(screen.width, screen.height, indexed ? 8 : 24, FormatGif)) {
        out.SetLastError(kNoMemory);
        return false;
    }
    if (indexed) {
        out.SetPalette(table.data(), 256);
        for (std::uint32_t y = 0; y < screen.height; ++y) {
            const std::uint32_t* cell = canvas.Row(y);
            std::uint8_t* pixel = out.GetBits(screen.height - 1 - y);
            for (std::uint32_t x = 0; x < screen.width; ++x)
                pixel[x] = std::uint8_t(cell[x] == kClear ? std::uint32_t(transIndex) : cell[x]);
        }
        out.SetTransIndex(transIndex);
        return true;
    }
    if (cleared) {
        out.AlphaCreate();
        if (!out.AlphaIsValid()) {
            out.SetLastError(kNoMemory);
            return false;
        }
    }
    for (std::uint32_t y = 0; y < screen.height; ++y) {
        const std::uint32_t* cell = canvas.Row(y);
        std::uint8_t* pixel = out.GetBits(screen.height - 1 - y);
        std::uint8_t* alpha = out.alpha ? out.alpha + std::size_t(screen.height - 1 - y) * screen.width : nullptr;
        for (std::uint32_t x = 0; x < screen.width; ++x, pixel += 3) {
            const std::uint32_t c = cell[x];
            const std::uint32_t rgb = c == kClear ? 0 : c < 256 ? PackedRgb(table[c]) : c & 0xFFFFFF;
            pixel[0] = std::uint8_t(rgb);
            pixel[1] = std::uint8_t(rgb >> 8);
            pixel[2] = std::uint8_t(rgb >> 16);
            if (alpha)
                alpha[x] = c == kClear ? 0 : 255;
        }
    }
    out.SetTransIndex(-1);
    return true;
}

bool ReadScreen(PxFile& file, Screen& screen, PxImage& out)
{
    std::uint8_t head[13];
    if (file.Read(head, 1, 13) != 13 || std::memcmp(head, "GIF8", 4) != 0) {
        out.SetLastError(kNotGif);
        return false;
    }
    screen.width = LoadLE16(head + 6);
    screen.height = LoadLE16(head + 8);
    screen.background = head[11];
    screen.hasGlobal = (head[10] & 0x80) != 0;
    if (screen.width == 0 || screen.height == 0 ||
        (screen.hasGlobal && !ReadColorTable(file, 2 << (head[10] & 7), screen.global))) {
        out.SetLastError(kCorrupted);
        return false;
    }
    return true;
}

// Why the logical screen cannot be composed, or nothing.
std::string ScreenRefusal(const Screen& screen, std::int64_t fileBytes)
{
    const std::uint64_t pixels = std::uint64_t(screen.width) * screen.height;
    // The composition holds a 32-bit cell per pixel and the result up to
    // four bytes more (24 bits and alpha).
    if (!pximage::WithinDecodePixelLimit(screen.width, screen.height))
        return pximage::TooManyPixelsReason(screen.width, screen.height);
    if (8 * pixels > pximage::DecodeMemoryLimit())
        return pximage::TooMuchMemoryReason("GIF", screen.width, screen.height);
    if (pximage::ComputeDibLayout(screen.width, screen.height, 24).check != pximage::SizeCheck::Ok)
        return kScreenTooLarge;
    if (pixels > kScreenPixelsAlwaysAllowed && fileBytes >= 0 && pixels > kPixelsPerDataByte * std::uint64_t(fileBytes))
        return pximage::CutShortReason("GIF", fileBytes, screen.width, screen.height);
    return {};
}

bool DecodeGif(PxFile& file, PxImage& out)
{
    const std::int64_t fileBytes = BytesLeft(file);
    Screen screen;
    if (!ReadScreen(file, screen, out))
        return false;
    const std::vector<Frame> frames = WalkFrames(file);
    out.info.numFrames = std::int32_t(frames.size());
    if (out.info.escape == -1) {
        out.header.biWidth = LONG(screen.width);
        out.header.biHeight = LONG(screen.height);
        out.SetLastError(kSizeOnly);
        return true;
    }
    const std::int32_t target = out.info.frame;
    if (target < 0 || target >= out.info.numFrames) {
        out.SetLastError(kNoFrame);
        return false;
    }
    if (const std::string refused = ScreenRefusal(screen, fileBytes); !refused.empty()) {
        out.SetLastError(refused.c_str());
        return false;
    }

    auto tableOf = [&](const Frame& frame, ColorTable& table) {
        if (frame.localTable < 0) {
            table = screen.hasGlobal ? screen.global : GreyRamp();
            return true;
        }
        return file.Seek(frame.localTable, 0) && ReadColorTable(file, frame.localEntries, table);
    };
    const Frame& shown = frames[std::size_t(target)];
    ColorTable targetTable;
    if (!tableOf(shown, targetTable)) {
        out.SetLastError(kCorrupted);
        return false;
    }
    const CellMapper mapper(targetTable, shown.transIndex);
    const CellTable globalCells = mapper.Cells(screen.hasGlobal ? screen.global : GreyRamp());
    // The format restores "to the background colour"; a frame with a
    // transparent index restores to transparency instead, as viewers do.
    auto backgroundFor = [&](const Frame& frame) {
        return frame.transIndex >= 0 || !screen.hasGlobal ? kClear : globalCells[std::size_t(screen.background)];
    };

    Canvas canvas(screen.width, screen.height, backgroundFor(frames[0]));
    CellTable identity;
    for (std::uint32_t i = 0; i < 256; ++i)
        identity[i] = i;
    for (std::int32_t k = 0; k <= target; ++k) {
        if (out.info.escape) {
            out.SetLastError(kCancelled);
            return false;
        }
        const Frame& frame = frames[std::size_t(k)];
        CellTable cells = identity;
        if (k != target) {
            ColorTable table;
            if (frame.localTable >= 0 && !tableOf(frame, table)) {
                out.SetLastError(kCorrupted);
                return false;
            }
            cells = frame.localTable >= 0 ? mapper.Cells(table) : globalCells;
        }
        const Rect rect = canvas.Clip(frame);
        std::vector<std::uint32_t> previous;
        if (k != target && frame.disposal == 3)
            previous = canvas.Save(rect);
        const bool decoded = file.Seek(frame.data, 0) &&
                             DecodeImageData(file, frame,
                                             [&](std::uint32_t row, const std::uint8_t* indices, std::uint32_t count) {
                                                 canvas.Draw(frame, row, indices, count, cells);
                                             });
        if (!decoded) {
            out.SetLastError(kCorrupted);
            return false;
        }
        if (k != target && frame.disposal == 2)
            canvas.Fill(rect, backgroundFor(frame));
        else if (k != target && frame.disposal == 3)
            canvas.Restore(rect, previous);
    }
    if (!DeliverCanvas(canvas, screen, targetTable, shown.transIndex, out))
        return false;
    out.info.frameDelay = shown.delay;
    return true;
}

// Byte output that remembers the first failed write.
class ByteWriter {
public:
    explicit ByteWriter(PxFile& file) : m_file(file) {}
    void Put(const void* bytes, std::size_t count)
    {
        if (m_ok && count && m_file.Write(bytes, 1, count) != count)
            m_ok = false;
    }
    void Put(std::uint8_t byte) { Put(&byte, 1); }
    bool Ok() const { return m_ok; }

private:
    PxFile& m_file;
    bool m_ok = true;
};

// Codes packed least significant bit first into sub-blocks of 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(ByteWriter& out) : m_out(out) {}

    void Put(int code, int width)
    {
        m_bits |= std::uint32_t(code) << m_bitCount;
        for (m_bitCount += width; m_bitCount >= 8; m_bitCount -= 8, m_bits >>= 8)
            Byte(std::uint8_t(m_bits));
    }

    void Finish()
    {
        if (m_bitCount > 0)
            Byte(std::uint8_t(m_bits));
        FlushBlock();
        m_out.Put(std::uint8_t(0));
    }

private:
    void Byte(std::uint8_t byte)
    {
        m_block[1 + m_length++] = byte;
        if (m_length == 255)
            FlushBlock();
    }

    void FlushBlock()
    {
        if (m_length == 0)
            return;
        m_block[0] = std::uint8_t(m_length);
        m_out.Put(m_block, std::size_t(m_length) + 1);
        m_length = 0;
    }

    ByteWriter& m_out;
    std::uint8_t m_block[256];
    int m_length = 0;
    std::uint32_t m_bits = 0;
    int m_bitCount = 0;
};

// The encoder's string table: (prefix code, next byte) -> code, open
// addressing in twice as many slots as there are codes.
class CodeDictionary {
public:
    void Clear() { std::fill(std::begin(m_keys), std::end(m_keys), -1); }

    int Find(std::int32_t key) const
    {
        for (std::uint32_t slot = Slot(key);; slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == key)
                return m_codes[slot];
            if (m_keys[slot] < 0)
                return -1;
        }
    }

    void Insert(std::int32_t key, int code)
    {
        std::uint32_t slot = Slot(key);
        while (m_keys[slot] >= 0)
            slot = (slot + 1) & (kSlots - 1);
        m_keys[slot] = key;
        m_codes[slot] = std::uint16_t(code);
    }

private:
    static constexpr std::uint32_t kSlots = 2 * kMaxCodes;
    static std::uint32_t Slot(std::int32_t key) { return (std::uint32_t(key) * 2654435761u) >> 19; }

    std::int32_t m_keys[kSlots];
    std::uint16_t m_codes[kSlots];
};

// LZW over the picture's rows from the top. Each code is written as wide as
// the decoder will read it: the decoder widens once its next free slot
// reaches 2^width, one code behind the encoder. A full table is followed by
// a clear code.
void EncodeImageData(const PxImage& image, int minBits, ByteWriter& out)
{
    const int clear = 1 << minBits;
    const int end = clear + 1;
    auto dictionary = std::make_unique<CodeDictionary>();
    dictionary->Clear();
    CodeWriter codes(out);
    int next = end + 1, bits = minBits + 1;
    codes.Put(clear, bits);

    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    const int bpp = image.GetBpp();
    std::vector<std::uint8_t> row(width);
    int string = -1;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* pixels = image.GetBits(height - 1 - y);
        for (std::uint32_t x = 0; x < width; ++x)
            row[x] = bpp == 8   ? pixels[x]
                     : bpp == 4 ? std::uint8_t((pixels[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F)
                                : std::uint8_t((pixels[x / 8] >> (7 - x % 8)) & 1);
        for (std::uint32_t x = 0; x < width; ++x) {
            const int pixel = row[x];
            if (string < 0) {
                string = pixel;
                continue;
            }
            const std::int32_t key = (string << 8) | pixel;
            const int found = dictionary->Find(key);
            if (found >= 0) {
                string = found;
                continue;
            }
            codes.Put(string, bits);
            if (next < kMaxCodes) {
                dictionary->Insert(key, next);
                if (++next > (1 << bits))
                    ++bits;
            } else {
                codes.Put(clear, bits);
                dictionary->Clear();
                next = end + 1;
                bits = minBits + 1;
            }
            string = pixel;
        }
    }
    codes.Put(string, bits);
    // The decoder adds a slot for that last code before it reads the end code.
    if (next == (1 << bits) && bits < kMaxCodeBits)
        ++bits;
    codes.Put(end, bits);
    codes.Finish();
}

bool EncodeGif(const PxImage& image, ByteWriter& out)
{
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    const int bpp = image.GetBpp();
    const int entries = 1 << bpp;

    std::uint8_t head[13] = {'G', 'I', 'F', '8', '9', 'a'};
    StoreLE16(head + 6, std::uint16_t(width));
    StoreLE16(head + 8, std::uint16_t(height));
    head[10] = std::uint8_t(0x80 | ((bpp - 1) << 4) | (bpp - 1));  // global table of 2^bpp entries
    out.Put(head, sizeof head);

    std::uint8_t rgb[3 * 256];
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD c = image.GetPaletteColor(std::uint8_t(i));
        rgb[3 * i] = c.rgbRed;
        rgb[3 * i + 1] = c.rgbGreen;
        rgb[3 * i + 2] = c.rgbBlue;
    }
    out.Put(rgb, std::size_t(3 * entries));

    static constexpr std::uint8_t kLoopForever[19] = {kExtension, kApplication, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                                      'E', '2', '.', '0', 3, 1, 0, 0, 0};
    out.Put(kLoopForever, sizeof kLoopForever);

    const std::int32_t trans = image.GetTransIndex();
    const bool transparent = trans >= 0 && trans < entries;
    if (transparent || image.info.frameDelay) {
        std::uint8_t control[8] = {kExtension, kGraphicControl, 4, std::uint8_t(transparent ? 1 : 0)};
        StoreLE16(control + 4, std::uint16_t(std::min<std::uint32_t>(image.info.frameDelay, 0xFFFF)));
        control[6] = std::uint8_t(transparent ? trans : 0);
        out.Put(control, sizeof control);
    }

    std::uint8_t descriptor[10] = {kImageDescriptor};
    StoreLE16(descriptor + 5, std::uint16_t(width));
    StoreLE16(descriptor + 7, std::uint16_t(height));
    out.Put(descriptor, sizeof descriptor);

    const int minBits = std::max(2, bpp);
    out.Put(std::uint8_t(minBits));
    EncodeImageData(image, minBits, out);
    out.Put(std::uint8_t(kTrailer));
    return out.Ok();
}

}  // namespace

bool PxImageGIF::Decode(PxFile* file)
{
    return pximage::DecodeGuarded(*this, file, kNotGif, DecodeGif);
}

bool PxImageGIF::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    if (GetBpp() > 8) {
        SetLastError(kDepthRefused);
        return false;
    }
    if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF) {
        SetLastError(kImageTooLarge);
        return false;
    }
    ByteWriter out(*file);
    try {
        if (EncodeGif(*this, out))
            return true;
    } catch (const std::bad_alloc&) {
        SetLastError(kNoMemory);
        return false;
    }
    SetLastError(kWriteError);
    return false;
}
