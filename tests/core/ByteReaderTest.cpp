#include "core/ByteReader.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(ByteReader, ValuesAreLittleEndianAndMissingBytesReadAsZeros)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::int16_t first16;
        std::int32_t then32;
    };
    const Row rows[] = {
        {"whole values", std::string("\x01\x80\x78\x56\x34\x12", 6), -32767, 0x12345678},
        {"the second value cut short", std::string("\xFF\xFF\x78\x56", 4), -1, 0x5678},
        {"the first value cut short", std::string("\x7F", 1), 0x7F, 0},
        {"nothing at all", std::string(), 0, 0},
    };
    for (const Row& row : rows) {
        ByteReader reader(row.bytes);
        EXPECT_EQ(reader.int16(), row.first16) << row.name;
        EXPECT_EQ(reader.int32(), row.then32) << row.name;
        EXPECT_EQ(reader.remaining(), 0u) << row.name;
    }
}

TEST(ByteReader, ACountedStringKeepsTheBytesThatAreThere)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        {"whole",
            std::string("\x03\x00"
                        "abcd",
                6),
            "abc"},
        {"cut short",
            std::string("\x05\x00"
                        "ab",
                4),
            "ab"},
        {"a count above 32767 is a length, not a negative",
            std::string("\x00\x80", 2) + std::string(40000, 'x'), std::string(32768, 'x')},
    };
    for (const Row& row : rows) {
        ByteReader reader(row.bytes);
        EXPECT_EQ(reader.counted(), row.text) << row.name;
    }
}

} // namespace
} // namespace kvx
