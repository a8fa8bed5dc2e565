#include "core/ByteWriter.h"

#include "core/Cp932.h"

#include <bit>

namespace kvx {

void ByteWriter::littleEndian(std::uint64_t value, int width)
{
    const std::size_t end = m_bytes.size();
    m_bytes.resize(end + static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i) {
        m_bytes[end + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

void ByteWriter::date(OleDate value)
{
    littleEndian(std::bit_cast<std::uint64_t>(value.value()), 8);
}

void ByteWriter::counted(std::string_view cp932)
{
    const std::string_view text = cp932.size() <= 0xFFFF ? cp932 : cutCp932(cp932, 0xFFFF);
    littleEndian(text.size(), 2);
    m_bytes.append(text);
}

} // namespace kvx
