// Byte-wise reading for the run-length decoders, without a virtual stream
// call per byte. The reader takes blocks from the stream and, when it goes
// out of scope, gives back what it read ahead, so the stream then stands
// right after the last byte a decoder consumed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/PxFile.h"

namespace pximage {

class BufferedReader {
public:
    explicit BufferedReader(PxFile& file) : m_file(file) {}
    ~BufferedReader() {
        if (m_end > m_next)
            m_file.Seek(-std::int32_t(m_end - m_next), 1);
    }
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    // The next byte, or -1 at the end of the data.
    int Next()
    {
        if (m_next == m_end && !Refill())
            return -1;
        return m_buffer[m_next++];
    }

    // Copies count bytes; false when the data ends first.
    bool Read(std::uint8_t* out, std::size_t count)
    {
        while (count) {
            if (m_next == m_end) {
                // Large blocks go straight from the stream to their place.
                if (count >= sizeof m_buffer)
                    return m_file.Read(out, 1, count) == count;
                if (!Refill())
                    return false;
            }
            const std::size_t n = std::min(count, m_end - m_next);
            std::memcpy(out, m_buffer + m_next, n);
            m_next += n;
            out += n;
            count -= n;
        }
        return true;
    }

private:
    bool Refill()
    {
        m_next = 0;
        m_end = m_file.Read(m_buffer, 1, sizeof m_buffer);
        return m_end > 0;
    }

    PxFile& m_file;
    std::uint8_t m_buffer[4096];
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};

}  // namespace pximage
