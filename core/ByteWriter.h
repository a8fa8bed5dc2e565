#pragma once

#include "core/OleDate.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace kvx {

// Appends little-endian values to a growing buffer.
class ByteWriter {
public:
    void int16(std::int16_t value) { littleEndian(static_cast<std::uint16_t>(value), 2); }
    void int32(std::int32_t value) { littleEndian(static_cast<std::uint32_t>(value), 4); }
    void date(OleDate value);
    // A 16-bit byte count followed by the bytes; longer text is cut to 65535
    // bytes at a character boundary.
    void counted(std::string_view cp932);

    void reserve(std::size_t size) { m_bytes.reserve(size); }
    const std::string& bytes() const { return m_bytes; }
    std::string take() { return std::move(m_bytes); }

private:
    void littleEndian(std::uint64_t value, int width);

    std::string m_bytes;
};

} // namespace kvx
