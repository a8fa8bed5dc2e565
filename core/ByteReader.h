#pragma once

#include "core/OleDate.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvx {

// Reads little-endian values from a buffer. Bytes past the end of the buffer
// read as zeros, so a value cut off by the end is completed with zero bytes and
// a value wholly past the end is 0; overran() then tells that the buffer ended
// before what was read.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    std::int16_t int16();
    std::int32_t int32();
    OleDate date();
    // The next `count` bytes, or as many of them as the buffer still holds.
    std::string_view bytes(std::size_t count);
    // A 16-bit byte count followed by that many bytes.
    std::string_view counted();

    std::size_t remaining() const { return m_bytes.size() - m_position; }
    // Whether a read asked for more bytes than were left.
    bool overran() const { return m_overran; }

private:
    std::uint64_t littleEndian(std::size_t width);

    std::string_view m_bytes;
    std::size_t m_position = 0;
    bool m_overran = false;
};

} // namespace kvx
