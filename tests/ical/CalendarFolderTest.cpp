#include "ical/CalendarFolder.h"

#include "core/PosixFileSink.h"
#include "ical/ICalendar.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kvx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kZone = "Asia/Tokyo";

AlarmRecord daily(int hour, std::string message)
{
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 1, 5, hour, 0);
    alarm.endTime = alarm.startTime;
    alarm.message = std::move(message);
    return alarm;
}

std::string read(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void replaceIn(const fs::path& path, const std::string& from, const std::string& to)
{
    std::string text = read(path);
    ASSERT_NE(text.find(from), std::string::npos) << from << " in " << text;
    text.replace(text.find(from), from.size(), to);
    write(path, text);
}

// A folder synced once with a table of three alarms: the starting point of
// every case, each case then changing the table, the folder, or both.
class CalendarFolderSyncTest : public ::testing::Test {
public:
    void SetUp() override
    {
        char name[] = "/tmp/kvx-calendar-folder-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        m_root = name;
        m_folder = m_root / "calendar";
        for (const auto& [hour, message] : {std::pair{7, "朝"}, {12, "昼"}, {18, "夕"}}) {
            m_alarms.add(daily(hour, message));
            m_ids.push_back("kvx-test-" + std::to_string(hour));
        }
        ASSERT_EQ(sync().writes.size(), 3U);
    }
    void TearDown() override { fs::remove_all(m_root); }

    // One sync, its changes of the table made as the store makes them.
    FolderSync sync()
    {
        const FolderBase base = syncBase(m_alarms, m_base);
        const FolderScan scan = scanCalendarFolder(m_folder, base, kZone, AlarmRecord{});
        EXPECT_EQ(scan.error, "");
        m_problems = scan.problems;
        FolderSync result = mergeCalendarFolder(m_alarms, m_ids, base, scan);
        for (const auto& [id, record] : result.changes) {
            m_alarms
                .alarms[static_cast<std::size_t>(std::find(m_ids.begin(), m_ids.end(), id) - m_ids.begin())]
                = record;
        }
        for (const std::string& id : result.removals) {
            const auto at = std::find(m_ids.begin(), m_ids.end(), id);
            m_alarms.remove(static_cast<int>(at - m_ids.begin()));
            m_ids.erase(at);
        }
        for (const auto& [id, record] : result.additions) {
            m_alarms.add(record);
            m_ids.push_back(id);
        }
        EXPECT_TRUE(writeCalendarFolder(m_sink, m_folder, result, kZone).empty());
        m_base = result.base;
        m_base.folder = m_folder;
        return result;
    }
    fs::path item(int i) const { return m_folder / (m_ids[static_cast<std::size_t>(i)] + ".ics"); }

    fs::path m_root;
    fs::path m_folder;
    AlarmTable m_alarms;
    std::vector<std::string> m_ids;
    FolderBase m_base;
    PosixFileSink m_sink;
    std::vector<std::pair<std::string, std::string>> m_problems;
};

TEST_F(CalendarFolderSyncTest, EachSideTakesTheOthersChangesAndBothVersionsOfOneChangedTwiceStay)
{
    struct Case {
        const char* name;
        std::function<void(CalendarFolderSyncTest&)> change;
        int changes, additions, removals, writes, deletions, both;
    };
    const std::vector<Case> cases = {
        {"nothing changed: nothing read, nothing written", [](auto&) {}, 0, 0, 0, 0, 0, 0},
        {"changed here: written there",
            [](CalendarFolderSyncTest& t) { t.m_alarms.alarms[0].message = "朝食"; }, 0, 0, 0, 1, 0, 0},
        {"renamed there: taken in",
            [](CalendarFolderSyncTest& t) { replaceIn(t.item(1), "SUMMARY:昼", "SUMMARY:昼食"); }, 1, 0, 0, 0,
            0, 0},
        {"changed on both sides: the folder's keeps the UID, ours is added",
            [](CalendarFolderSyncTest& t) {
                t.m_alarms.alarms[2].message = "夕食";
                replaceIn(t.item(2), "SUMMARY:夕", "SUMMARY:夕方");
            },
            1, 1, 0, 1, 0, 1},
        {"removed there: removed here", [](CalendarFolderSyncTest& t) { fs::remove(t.item(0)); }, 0, 0, 1, 0,
            0, 0},
        {"removed here: removed there",
            [](CalendarFolderSyncTest& t) {
                t.m_alarms.remove(1);
                t.m_ids.erase(t.m_ids.begin() + 1);
            },
            0, 0, 0, 0, 1, 0},
        {"removed here, changed there: the change stays",
            [](CalendarFolderSyncTest& t) {
                replaceIn(t.item(0), "SUMMARY:朝", "SUMMARY:早朝");
                t.m_alarms.remove(0);
                t.m_ids.erase(t.m_ids.begin());
            },
            0, 1, 0, 0, 0, 0},
        {"a day excluded there: no alarm holds it, neither side touches it",
            [](CalendarFolderSyncTest& t) {
                replaceIn(t.item(0), "RRULE:FREQ=DAILY", "RRULE:FREQ=DAILY\r\nEXDATE:20260110T070000");
                t.m_alarms.alarms[0].message = "朝食";
            },
            0, 0, 0, 0, 0, 0},
        {"the table lost: nothing removed there, everything taken back",
            [](CalendarFolderSyncTest& t) {
                t.m_alarms = {};
                t.m_ids.clear();
            },
            0, 3, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_alarms = {};
        m_ids.clear();
        m_base = {};
        SetUp();
        const std::string excluded = read(item(0));
        c.change(*this);
        const FolderSync done = sync();
        EXPECT_EQ(static_cast<int>(done.changes.size()), c.changes);
        EXPECT_EQ(static_cast<int>(done.additions.size()), c.additions);
        EXPECT_EQ(static_cast<int>(done.removals.size()), c.removals);
        EXPECT_EQ(static_cast<int>(done.writes.size()), c.writes);
        EXPECT_EQ(static_cast<int>(done.deletions.size()), c.deletions);
        EXPECT_EQ(done.changedOnBothSides, c.both);
        // Once each side holds the other's changes, the next sync has nothing to do.
        const FolderSync again = sync();
        EXPECT_FALSE(again.changesFolder());
        EXPECT_FALSE(again.changesTable());
    }
}

TEST_F(CalendarFolderSyncTest, ARewriteKeepsAPhonesReminderAndPropertiesAndTheFileNameIsNeverTheIdentity)
{
    // A phone added a reminder and a property of its own, and renamed the file.
    replaceIn(item(0), "END:VEVENT",
        "X-PHONE-COLOUR:blue\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nDESCRIPTION:phone\r\n"
        "END:VALARM\r\nEND:VEVENT");
    fs::rename(item(0), m_folder / "renamed-by-phone.ics");
    EXPECT_FALSE(sync().changesTable()) << "the phone's reminder is no bell of the alarm";
    m_alarms.alarms[0].message = "朝食";
    const FolderSync done = sync();
    ASSERT_EQ(done.writes.size(), 1U);
    EXPECT_EQ(done.writes[0].file, "renamed-by-phone.ics");
    const std::string text = read(m_folder / "renamed-by-phone.ics");
    EXPECT_NE(text.find("SUMMARY:朝食"), std::string::npos) << text;
    EXPECT_NE(text.find("X-PHONE-COLOUR:blue"), std::string::npos) << text;
    EXPECT_NE(text.find("TRIGGER:-PT15M"), std::string::npos) << text;
    EXPECT_NE(text.find("SEQUENCE:1"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(item(0)));
}

TEST_F(CalendarFolderSyncTest, BadItemsAreToldAndPassedOverAndAFileIsNoFolder)
{
    write(m_folder / "broken.ics", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:garbage\r\n");
    write(m_folder / "binary.ics", std::string("\0\x01\x02", 3));
    write(m_folder / "huge.ics", std::string(kMaxItemBytes + 1, 'x'));
    fs::create_symlink("/etc/passwd", m_folder / "link.ics");
    write(m_folder / "twice.ics", read(item(1)));
    const FolderSync done = sync();
    EXPECT_FALSE(done.changesTable());
    EXPECT_FALSE(done.changesFolder());
    EXPECT_EQ(m_problems.size(), 5U);
    EXPECT_EQ(read(m_folder / "twice.ics"), read(item(1))) << "left as it was";

    write(m_root / "file", "x");
    EXPECT_EQ(scanCalendarFolder(m_root / "file", {}, kZone, {}).error, "フォルダーではありません");
    EXPECT_EQ(scanCalendarFolder(m_root / "new" / "folder", {}, kZone, {}).error, "") << "made when missing";
    EXPECT_TRUE(fs::is_directory(m_root / "new" / "folder"));
    EXPECT_NE(scanCalendarFolder("relative", {}, kZone, {}).error, "");
    // The base, read back, is the same; bytes of anything else are none.
    const std::string bytes = encodeFolderBase(m_base);
    ASSERT_TRUE(decodeFolderBase(bytes, m_folder).has_value());
    EXPECT_EQ(encodeFolderBase(*decodeFolderBase(bytes, m_folder)), bytes);
    EXPECT_FALSE(decodeFolderBase(bytes, m_root).has_value());
    EXPECT_FALSE(decodeFolderBase(bytes.substr(0, bytes.size() - 3), m_folder).has_value());
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a link or a folder to another user";
    }
    constexpr uid_t kOtherUser = 65534;
    fs::create_directory_symlink(m_folder, m_root / "planted");
    ASSERT_EQ(::lchown((m_root / "planted").c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(scanCalendarFolder(m_root / "planted", {}, kZone, {}).error,
        "他のユーザーが置いたリンクのため使いません");
    ASSERT_EQ(::chown(m_folder.c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(scanCalendarFolder(m_folder, {}, kZone, {}).error, "他のユーザーのフォルダーのため使いません");
}

} // namespace
} // namespace kvx
