#include "core/ByteReader.h"

#include <algorithm>
#include <bit>

namespace kvx {

std::uint64_t ByteReader::littleEndian(std::size_t width)
{
    const std::string_view present = bytes(width);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < present.size(); ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(present[i])} << (8 * i);
    }
    return value;
}

std::int16_t ByteReader::int16()
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(littleEndian(2)));
}

std::int32_t ByteReader::int32()
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(littleEndian(4)));
}

OleDate ByteReader::date()
{
    return OleDate(std::bit_cast<double>(littleEndian(8)));
}

std::string_view ByteReader::bytes(std::size_t count)
{
    const std::size_t taken = std::min(count, remaining());
    m_overran = m_overran || taken < count;
    const std::string_view result = m_bytes.substr(m_position, taken);
    m_position += taken;
    return result;
}

std::string_view ByteReader::counted()
{
    return bytes(static_cast<std::uint16_t>(int16()));
}

} // namespace kvx
