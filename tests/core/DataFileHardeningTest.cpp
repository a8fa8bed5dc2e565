#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "core/DataFileLock.h"
#include "core/PosixFileSink.h"
#include "core/SyncConflicts.h"
#include "core/WholeFile.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvx {
namespace {

using test::TempDir;

SharedTables oneAlarm()
{
    SharedTables tables;
    tables.alarms.add(test::goldenRecordA());
    return tables;
}

mode_t modeOf(const std::string& path)
{
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Runs with the umask most desktops have, so that a file left to it would be
// readable by everyone.
class OpenUmask {
public:
    OpenUmask()
        : m_saved(::umask(022))
    {
    }
    ~OpenUmask() { ::umask(m_saved); }
    OpenUmask(const OpenUmask&) = delete;
    OpenUmask& operator=(const OpenUmask&) = delete;

private:
    mode_t m_saved;
};

std::string le(std::int64_t value, int width)
{
    std::string bytes;
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i) & 0xFF));
    }
    return bytes;
}

std::string text(std::string_view cp932)
{
    return le(static_cast<std::int64_t>(cp932.size()), 2) + std::string(cp932);
}

TEST(DataFileHardening, EveryFileTheDataFileWritesIsPrivate)
{
    const OpenUmask umask;
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    const OleDate now = OleDate::fromCivil(2024, 2, 29, 9, 5, 30);
    struct Row {
        const char* name;
        std::function<void()> make;
        const char* file;
    };
    const Row rows[] = {
        {"a new data file", [&] { ASSERT_TRUE(DataFile().save(oneAlarm(), path, now)); }, "Kalvendorix.dat"},
        {"the backup of a conversion",
            [&] {
                test::writeFileBytes(path, test::goldenBytes("tollbeck-0.9.5.dat"));
                ::chmod(path.c_str(), 0644);
                SharedTables tables;
                ASSERT_TRUE(DataFile().load(tables, path, LoadContext{0, 0, now}));
            },
            "Kalvendorix.dat.bak"},
        {"the kept copy of an unreadable file",
            [&] {
                test::writeFileBytes(path, le(32768, 4) + text("Kalvendorix 1.0.0"));
                ::chmod(path.c_str(), 0644);
                DataFile file;
                SharedTables tables;
                EXPECT_FALSE(file.load(tables, path, LoadContext{}));
                ASSERT_TRUE(file.save(oneAlarm(), path, now));
            },
            "Kalvendorix.dat.unreadable-20240229-0905"},
    };
    for (const Row& row : rows) {
        row.make();
        EXPECT_EQ(modeOf(dir.path(row.file)), 0600u) << row.name;
    }
}

TEST(DataFileHardening, ASaveKeepsTheModeAndGroupOfTheFileItReplaces)
{
    const OpenUmask umask;
    for (const mode_t mode : {0640u, 0600u, 0644u, 0660u}) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, test::goldenBytes("current-full.dat"));
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        // A group this process may give the file (it is in it).
        const gid_t group = ::getegid() == 0 ? 4 : ::getegid();
        ASSERT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), group), 0);
        DataFile file;
        ASSERT_TRUE(file.save(oneAlarm(), path, OleDate())) << std::oct << mode;
        struct stat status { };
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(status.st_gid, group) << std::oct << mode;
        EXPECT_EQ(test::readFileBytes(path).size(), encodeDataFile(oneAlarm()).size());
    }
}

TEST(DataFileHardening, AReadOnlyDataFileIsNotReplaced)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    const std::string before = test::goldenBytes("current-full.dat");
    test::writeFileBytes(path, before);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    DataFile file;
    EXPECT_FALSE(file.save(oneAlarm(), path, OleDate()));
    EXPECT_EQ(test::readFileBytes(path), before);
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});
    EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::SaveFailed);
    EXPECT_EQ(file.lastProblem().path, path);
    EXPECT_EQ(file.lastProblem().reason, systemReason(EACCES));
}

// A link whose target does not exist yet is saved through to it (a data file
// kept in a synced folder); one that leads nowhere fails, and no link is replaced.
TEST(DataFileHardening, ASaveThroughALinkWritesItsTargetOrFailsKeepingTheLinks)
{
    struct Row {
        const char* name;
        std::vector<std::pair<const char*, const char*>> links; // name, target relative to its folder
        const char* reason; // empty when the save succeeds
    };
    const Row rows[] = {
        {"the target's folder exists", {{"Kalvendorix.dat", "synced/Kalvendorix.dat"}}, ""},
        {"a relative target two links on",
            {{"Kalvendorix.dat", "hop.dat"}, {"hop.dat", "synced/Kalvendorix.dat"}}, ""},
        {"the target's folder is gone (a drive not mounted)",
            {{"Kalvendorix.dat", "unmounted/Kalvendorix.dat"}}, "No such file or directory"},
        {"a link to itself", {{"Kalvendorix.dat", "Kalvendorix.dat"}}, "Too many levels of symbolic links"},
        {"two links to each other", {{"Kalvendorix.dat", "other.dat"}, {"other.dat", "Kalvendorix.dat"}},
            "Too many levels of symbolic links"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        std::filesystem::create_directory(dir.path("synced"));
        for (const auto& [name, target] : row.links) {
            std::filesystem::create_symlink(target, dir.path(name));
        }
        const std::vector<std::string> before = dir.fileNames();
        const bool saves = *row.reason == '\0';
        DataFile file;
        EXPECT_EQ(file.save(oneAlarm(), dir.path("Kalvendorix.dat"), OleDate()), saves) << row.name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir.path("Kalvendorix.dat")))
            << row.name << ": the link stays";
        EXPECT_EQ(dir.fileNames(), before) << row.name << ": no leftovers";
        if (saves) {
            EXPECT_EQ(test::readFileBytes(dir.path("synced/Kalvendorix.dat")), encodeDataFile(oneAlarm()))
                << row.name;
            EXPECT_EQ(modeOf(dir.path("synced/Kalvendorix.dat")), 0600u) << row.name;
            EXPECT_EQ(dir.fileNames("synced"), std::vector<std::string>{"Kalvendorix.dat"}) << row.name;
        } else {
            EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::SaveFailed) << row.name;
            EXPECT_EQ(file.lastProblem().reason, row.reason) << row.name;
            EXPECT_TRUE(dir.fileNames("synced").empty()) << row.name;
        }
    }
}

// Device nodes can be made by root only; the test makes its own, never
// touching one of the system's.
TEST(DataFileHardening, NothingIsWrittenOverADeviceAPipeOrASocket)
{
    struct Row {
        const char* name;
        bool needsRoot;
        std::function<void(const std::string&)> make;
    };
    const Row rows[] = {
        {"a character device (like /dev/null)", true,
            [](const std::string& path) {
                ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
            }},
        {"a named pipe", false, [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"a socket", false,
            [](const std::string& path) { ASSERT_EQ(::mknod(path.c_str(), S_IFSOCK | 0600, 0), 0); }},
        {"a folder", false, [](const std::string& path) { std::filesystem::create_directory(path); }},
    };
    bool skippedDevice = false;
    for (const Row& row : rows) {
        if (row.needsRoot && ::geteuid() != 0) {
            skippedDevice = true;
            continue;
        }
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        row.make(path);
        struct stat before { };
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        DataFile file;
        SharedTables tables;
        EXPECT_FALSE(file.load(tables, path, LoadContext{})) << row.name;
        EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::Unreadable) << row.name;
        EXPECT_FALSE(file.save(oneAlarm(), path, OleDate::fromCivil(2024, 2, 29, 9, 5))) << row.name;
        EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::SaveFailed) << row.name;
        // Nor by a save that did not load it first.
        DataFile fresh;
        EXPECT_FALSE(fresh.save(oneAlarm(), path, OleDate())) << row.name;
        EXPECT_EQ(fresh.lastProblem().kind, FileProblem::Kind::SaveFailed) << row.name;
        struct stat after { };
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << row.name;
        EXPECT_EQ(after.st_ino, before.st_ino) << row.name;
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name << ": no copy";
    }
    if (skippedDevice) {
        GTEST_SKIP() << "the device node row needs root to create a device node";
    }
}

TEST(DataFileHardening, NothingIsWrittenIntoTheSystemsFolders)
{
    // Links from a scratch folder, so that no system file is ever in reach of
    // a save that wrongly went ahead: each target is a name that is not there.
    for (const char* folder : {"/dev", "/proc", "/sys"}) {
        TempDir dir;
        const std::string target = std::string(folder) + "/kvx-no-such-file-" + std::to_string(::getpid());
        ASSERT_FALSE(std::filesystem::exists(target));
        const std::string link = dir.path("Kalvendorix.dat");
        std::filesystem::create_symlink(target, link);
        DataFile file;
        EXPECT_FALSE(file.save(oneAlarm(), link, OleDate())) << folder;
        EXPECT_FALSE(std::filesystem::exists(target)) << folder;
        EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::SaveFailed) << folder;
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
    }
}

TEST(DataFileHardening, ASaveNamesItsTemporaryFileByItsProcessARandomPartAndItsComputer)
{
    EXPECT_EQ(temporaryPathFor("/d/Kalvendorix.dat", 4242, 0xbeef),
        "/d/Kalvendorix.dat.kvx-tmp-4242-0000beef-" + fileNamePart(thisComputerName()));
}

// Another writer with the same process id on the same computer name (a copy in
// its own PID namespace) saves the same file while this one writes: neither
// takes the other's temporary file, and both saves succeed whole.
class SaveInTheMiddle final : public FileSink {
public:
    SaveInTheMiddle(std::string path, std::string theirs)
        : m_path(std::move(path))
        , m_theirs(std::move(theirs))
    {
    }
    bool open(const std::string& path) override { return m_sink.open(path); }
    bool write(std::string_view bytes) override
    {
        PosixFileSink other;
        m_otherSaved = replaceFileSafely(other, m_path, m_theirs);
        return m_sink.write(bytes);
    }
    bool commit() override { return m_sink.commit(); }
    void discard() override { m_sink.discard(); }
    bool otherSaved() const { return m_otherSaved; }

private:
    PosixFileSink m_sink;
    std::string m_path;
    std::string m_theirs;
    bool m_otherSaved = false;
};

TEST(DataFileHardening, TwoWritersOfOneProcessIdNeverShareATemporaryFile)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    SaveInTheMiddle sink(path, "theirs");
    std::string reason;
    EXPECT_TRUE(replaceFileSafely(sink, path, "ours", &reason)) << reason;
    EXPECT_TRUE(sink.otherSaved());
    EXPECT_EQ(test::readFileBytes(path), "ours") << "the later rename wins, whole";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.folder()), {}), 1)
        << "no temporary file left";
}

// The id of a process that has ended and been reaped.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(DataFileHardening, TemporaryFilesOfEndedWritersAreRemoved)
{
    TempDir dir;
    const pid_t ended = endedProcess();
    struct Row {
        const char* name;
        std::string file;
        bool removed;
    };
    const Row rows[] = {
        {"a killed save of the data file", temporaryPathFor("Kalvendorix.dat", ended), true},
        {"a killed save of the settings", temporaryPathFor("Kalvendorix.ini", ended), true},
        {"a save by this running process", temporaryPathFor("Kalvendorix.dat", ::getpid()), false},
        {"a save by the running parent", temporaryPathFor("Kalvendorix.ini", ::getppid()), false},
        {"the user's own file", "Kalvendorix.dat.tmp", false},
        {"no writer named", "Kalvendorix.dat.kvx-tmp-", false},
        {"not a number", "Kalvendorix.dat.kvx-tmp-12x", false},
        {"the mark alone", ".kvx-tmp-" + std::to_string(ended), false},
        {"an ended save of an older version", "Kalvendorix.dat.kvx-tmp-" + std::to_string(ended), true},
        {"another computer's save", "Kalvendorix.dat.kvx-tmp-" + std::to_string(ended) + "-0000abcd-far",
            false},
        {"another computer's save left for an hour", "Kalvendorix.ini.kvx-tmp-1-00000001-far", true},
        {"a random part that is not one", "Kalvendorix.dat.kvx-tmp-" + std::to_string(ended) + "-xyz-far",
            false},
    };
    for (const Row& row : rows) {
        test::writeFileBytes(dir.path(row.file), "partial");
    }
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, dir.path("Kalvendorix.ini.kvx-tmp-1-00000001-far").c_str(), hourAgo, 0), 0);
    EXPECT_EQ(removeStaleTempFiles(dir.folder()), 4);
    for (const Row& row : rows) {
        EXPECT_EQ(std::filesystem::exists(dir.path(row.file)), !row.removed) << row.name;
    }
}

TEST(DataFileHardening, AFileOfANewerVersionIsKeptAndNotConverted)
{
    struct Row {
        const char* name;
        std::string identifier;
        FileProblem::Kind kind;
    };
    const Row rows[] = {
        {"a later version of this program", "Kalvendorix 2.0.0", FileProblem::Kind::NewerVersion},
        {"a later release of the same version", "Kalvendorix 1.0.1", FileProblem::Kind::NewerVersion},
        {"the former name after its last known version", "Tollbeck 1.1", FileProblem::Kind::NewerVersion},
        {"the former name before its first known version", "Tollbeck 0.9.1", FileProblem::Kind::None},
        {"another program's name", "Acme 9.9", FileProblem::Kind::None},
    };
    const OleDate now = OleDate::fromCivil(2024, 2, 29, 9, 5);
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        // One record of the oldest layout (40 bytes, its two texts empty) and the spare slot.
        const std::string record = std::string(34, '\1') + text("") + le(1, 2) + text("");
        const std::string bytes = le(1, 4) + text(row.identifier) + record + std::string(40, '\0');
        test::writeFileBytes(path, bytes);
        DataFile file;
        SharedTables tables;
        EXPECT_EQ(file.load(tables, path, LoadContext{0, 0, now}), row.kind == FileProblem::Kind::None)
            << row.name;
        EXPECT_EQ(file.lastProblem().kind, row.kind) << row.name;
        if (row.kind == FileProblem::Kind::None) {
            EXPECT_EQ(tables.alarms.alarmCount, 1) << row.name;
            continue;
        }
        EXPECT_EQ(file.lastProblem().path, path) << row.name;
        EXPECT_NE(file.lastProblem().reason.find(row.identifier), std::string::npos) << row.name;
        EXPECT_EQ(test::readFileBytes(path), bytes) << row.name << ": not converted";
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name;
        test::expectSameData(tables, SharedTables{}, row.name);
        ASSERT_TRUE(file.save(oneAlarm(), path, now)) << row.name;
        EXPECT_EQ(test::readFileBytes(path + ".unreadable-20240229-0905"), bytes) << row.name;
    }
}

TEST(DataFileHardening, AConversionAsksForNoMoreRecordsThanTheFileHolds)
{
    // Records of the oldest layout take at least 40 bytes.
    const std::string record(40, '\0');
    struct Row {
        const char* name;
        std::string bytes;
        bool converts;
    };
    const Row rows[] = {
        {"two alarms and the spare slot", le(2, 4) + text("Tollbeck 0.9.1") + record + record + record, true},
        {"the spare slot missing", le(2, 4) + text("Tollbeck 0.9.1") + record + record, true},
        {"the last alarm cut off", le(2, 4) + text("Tollbeck 0.9.1") + record + record.substr(0, 7), false},
        {"the last alarm missing", le(2, 4) + text("Tollbeck 0.9.1") + record, false},
        {"no records for many alarms", le(30000, 4) + text("Tollbeck 0.9.5") + record, false},
        {"an empty file", "", true},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.bytes);
        DataFile file;
        SharedTables tables;
        EXPECT_EQ(file.load(tables, path, LoadContext{}), row.converts) << row.name;
        EXPECT_EQ(tables.alarms.alarms.size(), static_cast<std::size_t>(tables.alarms.alarmCount) + 1)
            << row.name;
        if (!row.converts) {
            EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::Unreadable) << row.name;
            EXPECT_EQ(test::readFileBytes(path), row.bytes) << row.name;
            EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name;
        }
    }
}

// Bytes that start like the oldest files (a small count, a short text) but
// hold no alarm in plain text are no data file: not converted into an empty
// table, but told and kept aside like any unreadable file.
TEST(DataFileHardening, ZerosOrAnotherProgramsBytesAreNoDataFile)
{
    const std::string record = std::string(34, '\1') + text("") + le(1, 2) + text("");
    const std::string spare(40, '\0');
    struct Row {
        const char* name;
        std::string bytes;
        FileProblem::Kind kind;
    };
    const Row rows[] = {
        {"4 MiB of zeros", std::string(4u << 20, '\0'), FileProblem::Kind::NotADataFile},
        {"a header of zeros", std::string(6, '\0'), FileProblem::Kind::NotADataFile},
        {"a version of control characters", le(1, 4) + text("\x01\x02") + record + spare,
            FileProblem::Kind::NotADataFile},
        {"an unknown version without alarms", le(0, 4) + text("Acme 9.9") + spare,
            FileProblem::Kind::NotADataFile},
        {"no version and one alarm, as the oldest files", le(1, 4) + text("") + record + spare,
            FileProblem::Kind::None},
    };
    const OleDate now = OleDate::fromCivil(2024, 2, 29, 9, 5);
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.bytes);
        DataFile file;
        SharedTables tables;
        EXPECT_EQ(file.load(tables, path, LoadContext{0, 0, now}), row.kind == FileProblem::Kind::None)
            << row.name;
        EXPECT_EQ(file.lastProblem().kind, row.kind) << row.name;
        if (row.kind == FileProblem::Kind::None) {
            EXPECT_EQ(tables.alarms.alarmCount, 1) << row.name;
            continue;
        }
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name << ": no backup";
        ASSERT_TRUE(file.save(oneAlarm(), path, now)) << row.name;
        EXPECT_EQ(test::readFileBytes(path + ".unreadable-20240229-0905"), row.bytes) << row.name;
    }
}

TEST(DataFileHardening, TwoConversionsKeepTwoBackups)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    const std::string first = test::goldenBytes("tollbeck-0.9.5.dat");
    const std::string second = test::goldenBytes("tollbeck-0.9.6.dat");
    const std::string third = test::goldenBytes("tollbeck-1.0.3.dat");
    DataFile file;
    SharedTables tables;
    test::writeFileBytes(path, first);
    ASSERT_TRUE(file.load(tables, path, LoadContext{0, 0, OleDate::fromCivil(2024, 2, 29, 9, 5, 7)}));
    test::writeFileBytes(path, second);
    ASSERT_TRUE(file.load(tables, path, LoadContext{0, 0, OleDate::fromCivil(2024, 3, 1, 23, 59, 58)}));
    test::writeFileBytes(path, third);
    ASSERT_TRUE(file.load(tables, path, LoadContext{0, 0, OleDate::fromCivil(2024, 3, 1, 23, 59, 58)}));
    EXPECT_EQ(dir.fileNames(),
        (std::vector<std::string>{"Kalvendorix.dat", "Kalvendorix.dat.bak",
            "Kalvendorix.dat.bak-20240301-235958", "Kalvendorix.dat.bak-20240301-235958-1"}));
    EXPECT_EQ(test::readFileBytes(path + ".bak"), first);
    EXPECT_EQ(test::readFileBytes(path + ".bak-20240301-235958"), second);
    EXPECT_EQ(test::readFileBytes(path + ".bak-20240301-235958-1"), third);
}

TEST(DataFileHardening, EachFailureIsReportedWithItsPathAndReason)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    DataFile file;
    SharedTables tables;
    struct Row {
        const char* name;
        std::function<bool()> act;
        FileProblem::Kind kind;
        std::string path;
        std::string reason;
    };
    const Row rows[] = {
        {"a missing file loads", [&] { return file.load(tables, path, LoadContext{}); },
            FileProblem::Kind::None, "", ""},
        {"a save into a missing folder", [&] { return file.save(tables, dir.path("gone/x.dat"), OleDate()); },
            FileProblem::Kind::SaveFailed, dir.path("gone/x.dat"), "No such file or directory"},
        {"a save that works clears the problem", [&] { return file.save(tables, path, OleDate()); },
            FileProblem::Kind::None, "", ""},
        {"a damaged file",
            [&] {
                test::writeFileBytes(path, le(40000, 4) + text("Kalvendorix 1.0.0"));
                return file.load(tables, path, LoadContext{});
            },
            FileProblem::Kind::Unreadable, path, "damaged: its counts do not fit its size"},
        {"a file too large",
            [&] {
                std::filesystem::resize_file(path, DataFile::kMaxFileBytes + 1);
                return file.load(tables, path, LoadContext{});
            },
            FileProblem::Kind::Unreadable, path, "File too large"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.act(), row.kind == FileProblem::Kind::None) << row.name;
        EXPECT_EQ(file.lastProblem().kind, row.kind) << row.name;
        EXPECT_EQ(file.lastProblem().path, row.path) << row.name;
        EXPECT_EQ(file.lastProblem().reason, row.reason) << row.name;
    }
}

// The names sync services give the copy they set aside, and names that only look alike.
TEST(SyncConflicts, TheServicesConflictCopiesAreKnownByTheirNames)
{
    const std::pair<std::string_view, bool> names[] = {
        {"Kalvendorix.sync-conflict-20261210-101500-ABCDEF7.dat", true},
        {"Kalvendorix (conflicted copy 2026-12-10 101500).dat", true},
        {"Kalvendorix (Bob's conflicted copy 2026-12-10).dat", true},
        {"Kalvendorix (Bob's MacBook's conflicted copy 2026-12-10 (1)).dat", true},
        {"Kalvendorix.dat", false},
        {"Kalvendorix.sync-conflict-20261210-101500-ABCDEF7.dat.merged", false},
        {"Kalvendorix.sync-conflict-2026121-101500-ABCDEF7.dat", false},
        {"Kalvendorix.sync-conflict-20261210-101500-.dat", false},
        {"Kalvendorix (conflicted copy).dat", false},
        {"Kalvendorix (copy 2026-12-10).dat", false},
        {"Other (conflicted copy 2026-12-10 101500).dat", false},
        {"Kalvendorix (conflicted copy 2026-12-10 101500).ini", false},
    };
    for (const auto& [name, conflict] : names) {
        EXPECT_EQ(isSyncConflictName("Kalvendorix.dat", name), conflict) << name;
    }
    EXPECT_TRUE(isSyncConflictName("alarms", "alarms.sync-conflict-20261210-101500-XYZ")) << "no extension";
}

} // namespace
} // namespace kvx
