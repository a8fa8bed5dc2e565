#include "core/ProfileFile.h"

#include "core/Cp932.h"
#include "tests/core/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace kvx {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

TEST(ProfileFile, WritingAKeyChangesOnlyItsLine)
{
    struct Row {
        const char* name;
        const char* before; // nullptr: no file
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Row rows[] = {
        {"replaces in place, keeps comments and key order",
            "; settings\r\n[Kalvendorix]\r\nA=1\r\nB=2\r\nC=3\r\n", "Kalvendorix", "B", "9",
            "; settings\r\n[Kalvendorix]\r\nA=1\r\nB=9\r\nC=3\r\n"},
        {"the same key in another section stays",
            "[Other]\r\nB=1\r\n[Kalvendorix]\r\nB=2\r\n[Last]\r\nB=3\r\n", "Kalvendorix", "B", "x",
            "[Other]\r\nB=1\r\n[Kalvendorix]\r\nB=x\r\n[Last]\r\nB=3\r\n"},
        {"section and key match without regard to case", "[kalvendorix]\r\npreFlag = 1\r\n", "KALVENDORIX",
            "PREFLAG", "2", "[kalvendorix]\r\nPREFLAG=2\r\n"},
        {"a missing key goes to the end of its section, before the blank line",
            "[Kalvendorix]\r\nA=1\r\n\r\n[Other]\r\nZ=0\r\n", "Kalvendorix", "B", "2",
            "[Kalvendorix]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nZ=0\r\n"},
        {"a missing key in an empty section follows its header", "[Kalvendorix]\r\n[Other]\r\n",
            "Kalvendorix", "A", "1", "[Kalvendorix]\r\nA=1\r\n[Other]\r\n"},
        {"a missing section goes to the end of the file", "[Other]\r\nZ=0\r\n", "Kalvendorix", "A", "1",
            "[Other]\r\nZ=0\r\n[Kalvendorix]\r\nA=1\r\n"},
        {"a missing file is created", nullptr, "Kalvendorix", "A", "1", "[Kalvendorix]\r\nA=1\r\n"},
        {"an empty file gets the section", "", "Kalvendorix", "A", "1", "[Kalvendorix]\r\nA=1\r\n"},
        {"a file with bare LF line ends is written back with CR LF", "[Kalvendorix]\nA=1\nB=2", "Kalvendorix",
            "A", "0", "[Kalvendorix]\r\nA=0\r\nB=2\r\n"},
        {"a commented-out key is not the key", "[Kalvendorix]\r\n;A=old\r\n", "Kalvendorix", "A", "new",
            "[Kalvendorix]\r\n;A=old\r\nA=new\r\n"},
        {"a value is kept on one line", nullptr, "Kalvendorix", "A", "one\r\ntwo\nthree",
            "[Kalvendorix]\r\nA=one  two three\r\n"},
        {"an empty value is written", "[Kalvendorix]\r\nA=1\r\n", "Kalvendorix", "A", "",
            "[Kalvendorix]\r\nA=\r\n"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const std::string path = scratch.path("test.ini");
        if (row.before != nullptr) {
            writeFileBytes(path, row.before);
        }
        EXPECT_TRUE(ProfileFile(path).write(row.section, row.key, row.value)) << row.name;
        EXPECT_EQ(readFileBytes(path), row.after) << row.name;
    }
}

TEST(ProfileFile, ReadingFindsTheKeyOfTheSection)
{
    struct Row {
        const char* name;
        const char* content; // nullptr: no file
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"plain key", "[Kalvendorix]\r\nA=1\r\n", "Kalvendorix", "A", "1"},
        {"spaces around key and value are trimmed", "[Kalvendorix]\r\n  A \t=  some text \t\r\n",
            "Kalvendorix", "A", "some text"},
        {"spaces inside the value stay", "[Kalvendorix]\r\nA=a  b\r\n", "Kalvendorix", "A", "a  b"},
        {"case does not matter", "[KALVENDORIX]\r\nfontbold=0\r\n", "Kalvendorix", "FontBold", "0"},
        {"bare LF line ends", "[Kalvendorix]\nA=1\nB=2\n", "Kalvendorix", "B", "2"},
        {"no line end at the end", "[Kalvendorix]\r\nA=last", "Kalvendorix", "A", "last"},
        {"an empty value is present and empty", "[Kalvendorix]\r\nA=\r\n", "Kalvendorix", "A", ""},
        {"an equals sign in the value stays", "[Kalvendorix]\r\nA=x=y\r\n", "Kalvendorix", "A", "x=y"},
        {"the first of two entries wins", "[Kalvendorix]\r\nA=1\r\nA=2\r\n", "Kalvendorix", "A", "1"},
        {"the key only in another section", "[Other]\r\nA=1\r\n[Kalvendorix]\r\nB=2\r\n", "Kalvendorix", "A",
            std::nullopt},
        {"missing key", "[Kalvendorix]\r\nB=2\r\n", "Kalvendorix", "A", std::nullopt},
        {"missing section", "[Other]\r\nA=1\r\n", "Kalvendorix", "A", std::nullopt},
        {"a commented-out key", "[Kalvendorix]\r\n;A=1\r\n", "Kalvendorix", "A", std::nullopt},
        {"a key before any section", "A=1\r\n[Kalvendorix]\r\n", "Kalvendorix", "A", std::nullopt},
        {"missing file", nullptr, "Kalvendorix", "A", std::nullopt},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const std::string path = scratch.path("test.ini");
        if (row.content != nullptr) {
            writeFileBytes(path, row.content);
        }
        EXPECT_EQ(ProfileFile(path).read(row.section, row.key), row.expected) << row.name;
        EXPECT_EQ(
            ProfileFile(path).readString(row.section, row.key, "fallback"), row.expected.value_or("fallback"))
            << row.name;
    }
}

TEST(ProfileFile, JapaneseTextIsCodePage932OnDisk)
{
    struct Row {
        const char* name;
        std::string value;
        std::string bytes;
    };
    const Row rows[] = {
        {"full-width katakana", "アラーム", "\x83\x41\x83\x89\x81\x5B\x83\x80"},
        {"half-width katakana take one byte each", "MS Pｺﾞｼｯｸ", "MS P\xBA\xDE\xBC\xAF\xB8"},
        {"kanji with a trail byte that looks like a backslash", "予鈴", "\x97\x5C\x97\xE9"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const ProfileFile file(scratch.path("test.ini"));
        ASSERT_TRUE(file.write("Kalvendorix", "MESSAGE", row.value)) << row.name;
        EXPECT_EQ(readFileBytes(file.path()), "[Kalvendorix]\r\nMESSAGE=" + row.bytes + "\r\n") << row.name;
        EXPECT_EQ(file.read("Kalvendorix", "MESSAGE"), row.value) << row.name;
    }
}

TEST(ProfileFile, ReadingReturnsAtMost255BytesEndingOnACharacter)
{
    auto repeat = [](const std::string& text, int count) {
        std::string result;
        for (int i = 0; i < count; ++i) {
            result += text;
        }
        return result;
    };
    struct Row {
        const char* name;
        std::string stored;
        std::size_t expectedBytes;
    };
    const Row rows[] = {
        {"255 bytes come back whole", repeat("a", 255), 255},
        {"256 bytes lose the last", repeat("a", 256), 255},
        {"double-byte text stops before a half character", repeat("あ", 150), 254},
        {"double-byte text after one byte ends at 255", "a" + repeat("あ", 150), 255},
        {"half-width katakana are one byte each", repeat("ｱ", 300), 255},
        {"surrounding spaces are not counted", "   " + repeat("b", 255) + "   ", 255},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const ProfileFile file(scratch.path("test.ini"));
        ASSERT_TRUE(file.write("Kalvendorix", "MESSAGE", row.stored)) << row.name;
        const std::string value = file.read("Kalvendorix", "MESSAGE").value_or("");
        const std::string bytes = toCp932(value);
        EXPECT_EQ(bytes.size(), row.expectedBytes) << row.name;
        EXPECT_NE(toCp932(row.stored).find(bytes), std::string::npos) << row.name;
        EXPECT_EQ(value.find("\uFFFD"), std::string::npos) << row.name;
    }
}

TEST(ProfileFile, WritingSeveralKeysAtOnceEqualsWritingThemInTurn)
{
    TempDir scratch;
    const std::string before = "; top\r\n[Kalvendorix]\r\nB=old\r\n\r\n[Other]\r\nA=x\r\n";
    const std::vector<ProfileFile::Entry> entries = {{"A", "1"}, {"B", "2"}, {"C", "3"}, {"A", "4"}};
    writeFileBytes(scratch.path("batch.ini"), before);
    writeFileBytes(scratch.path("single.ini"), before);
    ASSERT_TRUE(ProfileFile(scratch.path("batch.ini")).write("Kalvendorix", entries));
    for (const auto& [key, value] : entries) {
        ASSERT_TRUE(ProfileFile(scratch.path("single.ini")).write("Kalvendorix", key, value));
    }
    EXPECT_EQ(readFileBytes(scratch.path("batch.ini")), readFileBytes(scratch.path("single.ini")));
    EXPECT_EQ(readFileBytes(scratch.path("batch.ini")),
        "; top\r\n[Kalvendorix]\r\nB=2\r\nA=4\r\nC=3\r\n\r\n[Other]\r\nA=x\r\n");
}

TEST(ProfileFile, AFailedWriteReturnsFalseAndLeavesNoFileBehind)
{
    TempDir scratch;
    std::filesystem::create_directory(scratch.path("a-directory.ini"));
    writeFileBytes(scratch.path("readonly.ini"), "[Kalvendorix]\r\nA=1\r\n");
    std::filesystem::permissions(scratch.path("readonly.ini"), std::filesystem::perms::owner_read);
    std::filesystem::create_symlink("loop.ini", scratch.path("loop.ini"));
    struct Row {
        const char* name;
        std::string path;
        const char* key;
    };
    // A read-only file stays read-only for root too: its owner made it so.
    const Row rows[] = {
        {"missing directory", scratch.path("missing/test.ini"), "A"},
        {"a directory where the file should be", scratch.path("a-directory.ini"), "A"},
        {"empty path", "", "A"},
        {"empty key", scratch.path("test.ini"), ""},
        {"read-only file", scratch.path("readonly.ini"), "A"},
        {"a symbolic link to itself", scratch.path("loop.ini"), "A"},
    };
    for (const Row& row : rows) {
        bool written = true;
        EXPECT_NO_THROW(written = ProfileFile(row.path).write("Kalvendorix", row.key, "2")) << row.name;
        EXPECT_FALSE(written) << row.name;
    }
    EXPECT_EQ(readFileBytes(scratch.path("readonly.ini")), "[Kalvendorix]\r\nA=1\r\n");
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"a-directory.ini", "loop.ini", "readonly.ini"}));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("loop.ini")));
}

TEST(ProfileFile, AnExistingFileKeepsItsPermissions)
{
    TempDir scratch;
    const std::string path = scratch.path("test.ini");
    writeFileBytes(path, "[Kalvendorix]\r\n");
    const auto mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write
        | std::filesystem::perms::group_read;
    std::filesystem::permissions(path, mode);
    ASSERT_TRUE(ProfileFile(path).write("Kalvendorix", "A", "1"));
    EXPECT_EQ(std::filesystem::status(path).permissions(), mode);
}

TEST(ProfileFile, WritingThroughASymbolicLinkKeepsTheLink)
{
    TempDir scratch;
    writeFileBytes(scratch.path("real.ini"), "[Kalvendorix]\r\nA=1\r\n");
    std::filesystem::create_symlink(scratch.path("real.ini"), scratch.path("link.ini"));
    ASSERT_TRUE(ProfileFile(scratch.path("link.ini")).write("Kalvendorix", "A", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("link.ini")));
    EXPECT_EQ(readFileBytes(scratch.path("real.ini")), "[Kalvendorix]\r\nA=2\r\n");
}

} // namespace
} // namespace kvx
