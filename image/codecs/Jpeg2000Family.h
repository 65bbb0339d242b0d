// What the JPEG 2000 family's parsers share: the OpenJPEG glue of
// Jpeg2000Codec and the own PNM, PGX and Sun raster parsers. Their fixed
// failure texts, the checks before a picture is made, the scaling of samples
// to bytes, the number syntax of the PNM and PGX headers, and the rows the
// encoders write.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/PxFile.h"
#include "image/PxImage.h"

namespace pximage {

constexpr const char* kLoadError = "error: cannot load image data";
constexpr const char* kCreateError = "Can't allocate memory";
constexpr const char* kEncodeError = "error: cannot encode image\n";

inline bool ReadExact(PxFile& file, void* buffer, std::size_t bytes)
{
    return file.Read(buffer, 1, bytes) == bytes;
}

// Bytes the stream still holds, or "unknown" (treated as unlimited).
inline std::uint64_t Available(PxFile& file)
{
    const std::int64_t left = BytesLeft(file);
    return left < 0 ? UINT64_MAX : std::uint64_t(left);
}

// A sample of prec bits (two's complement when signed) as a byte: signed
// samples are shifted to start at 0, wider samples keep their top 8 bits,
// narrower ones are stretched to the full range. Out-of-range values clamp.
class SampleToByte {
public:
    SampleToByte(std::uint32_t prec, bool sgnd)
        : m_prec(std::clamp<std::uint32_t>(prec, 1, 32)),
          m_offset(sgnd ? std::int64_t(1) << (m_prec - 1) : 0),
          m_max((std::int64_t(1) << m_prec) - 1)
    {
    }
    std::uint8_t operator()(std::int64_t v) const
    {
        v = std::clamp<std::int64_t>(v + m_offset, 0, m_max);
        if (m_prec >= 8)
            return std::uint8_t(v >> (m_prec - 8));
        return std::uint8_t((v * 255 + m_max / 2) / m_max);
    }

private:
    std::uint32_t m_prec;
    std::int64_t m_offset;
    std::int64_t m_max;
};

// Why a declared size cannot be created: none at all is a broken header.
const char* SizeProblem(std::uint64_t width, std::uint64_t height, std::uint32_t bpp);

// A picture of one frame; the frame asked for must be 0.
bool CheckSingleFrame(PxImage& image);

// PNM and PGX headers: numbers between white space and '#' comments.
class HeaderReader {
public:
    explicit HeaderReader(PxFile& file) : m_file(file) {}

    int Get()
    {
        if (m_pending == kNone)
            return m_file.GetC();
        const int c = m_pending;
        m_pending = kNone;
        return c;
    }

    void PutBack(int c) { m_pending = c; }

    // The next character that is neither white space nor in a comment, or -1.
    int SkipSpace()
    {
        for (int c = Get();; c = m_file.GetC()) {
            if (c == '#') {
                while (c != '\n' && c != '\r' && c != -1)
                    c = m_file.GetC();
                if (c == -1)
                    return -1;
            } else if (!IsSpace(c)) {
                return c;
            }
        }
    }

    // The next number, after white space and comments; false at the end of
    // the data, on anything else, or above 2^31 - 1.
    bool Number(std::uint32_t& value)
    {
        int c = SkipSpace();
        if (c < '0' || c > '9')
            return false;
        std::uint64_t v = 0;
        for (; c >= '0' && c <= '9'; c = m_file.GetC()) {
            v = v * 10 + std::uint64_t(c - '0');
            if (v > INT32_MAX)
                return false;
        }
        value = std::uint32_t(v);
        PutBack(c);  // the character that ended the number
        return true;
    }

    // Binary data starts after exactly one white-space character.
    bool EndOfHeader() { return IsSpace(Get()); }

private:
    static bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

    static constexpr int kNone = -2;
    PxFile& m_file;
    int m_pending = kNone;
};

// Grey levels of an indexed picture whose palette is all greys; false for colour.
bool GreyLevels(const PxImage& image, std::uint8_t* levels);

// Picture row r counted from the top as grey levels (with a table) or red, green, blue.
void TopRowSamples(const PxImage& image, std::uint32_t r, const std::uint8_t* greyLevels, std::uint8_t* out);

// Writes the zero-terminated header, then every row from the top as
// TopRowSamples gives it; false, with the reason in the picture, when a
// write fails.
bool WriteHeaderAndRows(PxImage& image, PxFile& file, const char* header, const std::uint8_t* greyLevels);

}  // namespace pximage
