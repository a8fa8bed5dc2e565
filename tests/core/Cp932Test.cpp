#include "core/Cp932.h"

#include "tests/core/TestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::bytes;

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1
            : lead >= 0xF0                     ? 4
            : lead >= 0xE0                     ? 3
            : lead >= 0xC2                     ? 2
                                               : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(Cp932, JapaneseTextRoundTrips)
{
    struct Row {
        const char* name;
        std::string utf8;
        std::string cp932;
    };
    const Row rows[] = {
        {"ASCII stays as it is", "Alarm 09:00", "Alarm 09:00"},
        {"kanji take two bytes", "会議", bytes({0x89, 0xEF, 0x8B, 0x63})},
        {"half-width katakana take one byte each", "MS Pｺﾞｼｯｸ",
            bytes({0x4D, 0x53, 0x20, 0x50, 0xBA, 0xDE, 0xBC, 0xAF, 0xB8})},
        {"a second byte of 0x5C", "表示", bytes({0x95, 0x5C, 0x8E, 0xA6})},
        {"full-width tilde", "\uFF5E", bytes({0x81, 0x60})},
        {"circled digit of the NEC row", "①", bytes({0x87, 0x40})},
        {"line breaks", "一\r\n二", bytes({0x88, 0xEA, 0x0D, 0x0A, 0x93, 0xF1})},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toCp932(row.utf8), row.cp932) << row.name;
        EXPECT_EQ(fromCp932(row.cp932), row.utf8) << row.name;
    }
}

TEST(Cp932, CharactersOfLinuxInputBecomeTheirWindowsLookAlikes)
{
    struct Row {
        const char* name;
        std::string utf8;
        std::string cp932;
    };
    const Row rows[] = {
        {"wave dash", "9\u301C17", "9" + bytes({0x81, 0x60}) + "17"},
        {"minus sign", "\u2212", bytes({0x81, 0x7C})},
        {"double vertical line", "\u2016", bytes({0x81, 0x61})},
        {"not sign", "\u00AC", bytes({0x81, 0xCA})},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toCp932(row.utf8), row.cp932) << row.name;
    }
}

TEST(Cp932, WhatCodePage932CannotHoldBecomesAQuestionMark)
{
    struct Row {
        const char* name;
        std::string utf8;
        std::string cp932;
    };
    const Row rows[] = {
        {"an emoji", "a\U0001F600b", "a?b"},
        {"an accented Latin letter", "caf\u00E9", "caf?"},
        {"a Roman numeral outside the NEC row", "\u216B", "?"},
        {"broken UTF-8", "x\xFFy", "x?y"},
        {"UTF-8 cut inside a character", "\xE4\xBC", "?"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toCp932(row.utf8), row.cp932) << row.name;
    }
}

TEST(Cp932, InvalidBytesReadAsReplacementCharacters)
{
    struct Row {
        const char* name;
        std::string cp932;
        std::string utf8;
    };
    const Row rows[] = {
        {"a lead byte at the end", "a" + bytes({0x82}), "a\uFFFD"},
        {"bytes no character uses", bytes({0xFD, 0xFE, 0xFF}), "\uFFFD\uFFFD\uFFFD"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fromCp932(row.cp932), row.utf8) << row.name;
    }
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (const int trail : {0x00, 0x20, 0x3F, 0x40, 0x7F, 0x80, 0xFC, 0xFF}) {
            const std::string text
                = bytes({static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)});
            EXPECT_TRUE(isValidUtf8(fromCp932(text))) << lead << " " << trail;
        }
    }
}

TEST(Cp932, CutStopsAtACharacterBoundary)
{
    struct Row {
        const char* name;
        std::string cp932;
        std::size_t maxBytes;
        std::string kept;
    };
    const std::string kaigi = toCp932("会議");
    const Row rows[] = {
        {"room for the whole text", kaigi, 4, kaigi},
        {"room for one and a half characters", kaigi, 3, toCp932("会")},
        {"room for half a character", kaigi, 1, ""},
        {"ASCII before a kanji", toCp932("ab会"), 3, "ab"},
        {"half-width katakana are single bytes", toCp932("ｸｲｯｸ"), 2, toCp932("ｸｲ")},
        {"a second byte of 0x5C is not a boundary", toCp932("表a"), 1, ""},
        {"nothing to cut", "", 5, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cutCp932(row.cp932, row.maxBytes), row.kept) << row.name;
    }
}

} // namespace
} // namespace kvx
