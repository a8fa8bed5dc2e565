#include "core/Cp932.h"
#include "core/DataFile.h"
#include "core/ProfileFile.h"
#include "core/Settings.h"
#include "core/WholeFile.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"
#include "tests/core/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvx {
namespace {

using test::readFileBytes;
using test::section;
using test::TempDir;
using test::writeFileBytes;

mode_t modeOf(const std::string& path)
{
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Something other than a regular file where a settings file belongs: reading
// must neither wait for it nor take it as settings, and nothing is written
// over it.
TEST(SettingsHardening, ASettingsFileThatIsNoRegularFileIsIgnoredAndNeverWritten)
{
    struct Row {
        const char* name;
        bool needsRoot;
        std::function<void(const std::string&)> make;
    };
    const Row rows[] = {
        {"a named pipe without a writer", false,
            [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"a character device the test made", true,
            [](const std::string& path) {
                ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
            }},
        {"a folder", false, [](const std::string& path) { std::filesystem::create_directory(path); }},
    };
    bool skipped = false;
    for (const Row& row : rows) {
        if (row.needsRoot && ::geteuid() != 0) {
            skipped = true;
            continue;
        }
        TempDir scratch;
        Settings settings(scratch.folder());
        row.make(settings.mainFile());
        struct stat before { };
        ASSERT_EQ(::lstat(settings.mainFile().c_str(), &before), 0);

        AlarmDefaults defaults;
        defaults.blinkCount = 99;
        WindowSettings window;
        settings.loadAll(defaults, window);
        EXPECT_EQ(defaults.blinkCount, 10) << row.name << ": the defaults";
        EXPECT_EQ(settings.dataPath(), scratch.path("Kalvendorix.dat")) << row.name;
        EXPECT_EQ(settings.readInt("STARTFLG", 7), 7) << row.name;

        EXPECT_FALSE(settings.writeRunningFlagToBoth(true)) << row.name;
        defaults.lastSavedIndex = 0;
        EXPECT_FALSE(settings.saveSettings(defaults, window)) << row.name;
        EXPECT_EQ(settings.lastProblem().kind, FileProblem::Kind::SaveFailed) << row.name;
        EXPECT_EQ(settings.lastProblem().path, settings.mainFile()) << row.name;
        struct stat after { };
        ASSERT_EQ(::lstat(settings.mainFile().c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << row.name;
        EXPECT_EQ(after.st_ino, before.st_ino) << row.name;
        EXPECT_EQ(scratch.fileNames(), std::vector<std::string>{"Kalvendorix.ini"}) << row.name;
    }
    if (skipped) {
        GTEST_SKIP() << "the device node row needs root to create a device node";
    }
}

TEST(SettingsHardening, AByteOrderMarkIsSkippedAndKept)
{
    TempDir scratch;
    Settings settings(scratch.folder());
    const std::string mark = "\xEF\xBB\xBF";
    writeFileBytes(settings.mainFile(), mark + section({"PREFLAG=2", "STARTFLG=1"}));
    AlarmDefaults defaults;
    WindowSettings window;
    settings.loadAll(defaults, window);
    EXPECT_EQ(defaults.preMode, 2);
    EXPECT_EQ(settings.readInt("STARTFLG", 0), 1);

    ASSERT_TRUE(settings.writeRunningFlagToBoth(false));
    EXPECT_EQ(readFileBytes(settings.mainFile()), mark + section({"PREFLAG=2", "STARTFLG=0"}));
    ProfileText text(mark + "[Other]\r\nA=1\r\n");
    EXPECT_EQ(text.read("Other", "A", 255), std::optional<std::string>("1"));
    EXPECT_EQ(ProfileText("\xEF\xBB[Other]\r\nA=1\r\n").read("Other", "A", 255), std::nullopt)
        << "half a mark is part of the line";
}

TEST(SettingsHardening, PathsAreReadWholeAndOtherKeysCutAt255Bytes)
{
    TempDir scratch;
    std::filesystem::create_directory(scratch.path("data"));
    // Two folder names of 150 bytes make a data path of more than 300.
    const std::string folder = scratch.path("data/" + std::string(150, 'd') + "/" + std::string(150, 'e'));
    std::filesystem::create_directories(folder);
    const std::string dataPath = folder + "/Kalvendorix.dat";
    ASSERT_GT(dataPath.size(), 300u);
    const std::string soundFile = "/music/" + std::string(290, 's') + ".wav";
    const std::string message(300, 'm');
    Settings settings(scratch.folder());
    writeFileBytes(settings.mainFile(), section({"DATAPATH=" + dataPath}));
    writeFileBytes(folder + "/Kalvendorix.ini",
        section(
            {"DATAPATH=" + dataPath, "SOUNDFILE=" + soundFile, "MESSAGE=" + message, "FORMFLAG=" + message}));

    AlarmDefaults defaults;
    WindowSettings window;
    settings.loadAll(defaults, window);
    EXPECT_EQ(settings.readDataPath(), dataPath);
    EXPECT_EQ(settings.dataPath(), dataPath);
    EXPECT_EQ(window.dataPath, dataPath);
    EXPECT_EQ(defaults.soundFile, soundFile);
    EXPECT_EQ(settings.readSetting("SOUNDFILE", ""), soundFile);
    EXPECT_EQ(defaults.message, message.substr(0, 255));
    EXPECT_EQ(window.formPosition, message.substr(0, 255));

    DataFile file;
    SharedTables tables;
    tables.alarms.add(test::goldenRecordA());
    ASSERT_TRUE(file.save(tables, settings.dataPath(), OleDate()));
    EXPECT_EQ(readFileBytes(dataPath), readFileBytes(settings.dataPath()));
    EXPECT_EQ(scratch.fileNames("data"), std::vector<std::string>{std::string(150, 'd')}) << "nothing cut";
}

TEST(SettingsHardening, TheDefaultDataPathIsStoredEmpty)
{
    struct Row {
        const char* name;
        std::string stored;
        std::string expected; // '@' stands for the program directory
    };
    const Row rows[] = {
        {"empty", "DATAPATH=", "@Kalvendorix.dat"},
        {"blank", "DATAPATH=   ", "@Kalvendorix.dat"},
        {"another path", "DATAPATH=/d/x.dat", "/d/x.dat"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        Settings settings(scratch.folder());
        writeFileBytes(settings.mainFile(), section({row.stored}));
        std::string expected = row.expected;
        if (expected.front() == '@') {
            expected.replace(0, 1, scratch.folder());
        }
        EXPECT_EQ(settings.readDataPath(), expected) << row.name;
        AlarmDefaults defaults;
        WindowSettings window;
        settings.loadAll(defaults, window);
        EXPECT_EQ(settings.dataPath(), expected) << row.name;
    }

    TempDir scratch;
    Settings settings(scratch.folder());
    WindowSettings window;
    window.dataPath = settings.defaultDataPath();
    ASSERT_TRUE(settings.saveSettings(AlarmDefaults{}, window));
    ASSERT_TRUE(settings.writeSettingToBoth("DATAPATH", settings.defaultDataPath()));
    EXPECT_EQ(readFileBytes(settings.mainFile()),
        section({"FORMFLAG=", "DEFFORM=0", "NOTIFYFLG=1", "WAKEUPFLG=0", "PORTNUM=", "COPYACTION=1",
            "SNOOZETIME=5", "DATAPATH="}));
}

TEST(SettingsHardening, ADataPathCodePage932CannotHoldIsNeverWritten)
{
    struct Row {
        const char* path;
        bool survives;
    };
    const Row rows[] = {
        {"/home/user/Kalvendorix.dat", true},
        {"/home/ユーザー/予定.dat", true},
        {"/home/josé/Kalvendorix.dat", false},
        {"/home/한글/Kalvendorix.dat", false},
        {"/home/user/?.dat", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(dataPathSurvivesCp932(row.path), row.survives) << row.path;
    }

    TempDir scratch;
    Settings settings(scratch.folder());
    writeFileBytes(settings.mainFile(), section({"DATAPATH=/d/x.dat"}));
    WindowSettings window;
    window.dataPath = "/home/josé/Kalvendorix.dat";
    settings.setDataPath(scratch.path("Kalvendorix.dat"));
    ASSERT_TRUE(settings.saveSettings(AlarmDefaults{}, window));
    EXPECT_FALSE(settings.writeSetting(settings.mainFile(), "DATAPATH", "/home/한글/x.dat"));
    EXPECT_EQ(settings.readDataPath(), "/d/x.dat") << "the previous path stays";
}

// The user's data folder under a name code page 932 cannot hold: every start
// must find the alarms again.
TEST(SettingsHardening, AlarmsLoadAcrossStartsFromAFolderCodePage932CannotName)
{
    for (const char* folder : {"josé", "한글"}) {
        TempDir scratch;
        const std::string programDirectory = scratch.path(std::string(folder) + "/Kalvendorix");
        std::filesystem::create_directories(programDirectory);
        SharedTables saved;
        saved.alarms.add(test::goldenRecordA());
        for (int start = 0; start < 2; ++start) {
            Settings settings(programDirectory);
            AlarmDefaults defaults;
            SharedTables tables;
            settings.loadAll(defaults, tables.window);
            EXPECT_EQ(settings.dataPath(), settings.defaultDataPath()) << folder << " start " << start;
            DataFile file;
            ASSERT_TRUE(file.load(tables, settings.dataPath(), LoadContext{})) << folder;
            if (start == 0) {
                tables.alarms.add(test::goldenRecordA());
            }
            test::expectSameData(tables, saved, folder);
            // The exit: data file, then the settings with the data path in force.
            tables.window.dataPath = settings.dataPath();
            ASSERT_TRUE(file.save(tables, settings.dataPath(), OleDate())) << folder;
            ASSERT_TRUE(settings.saveSettings(defaults, tables.window)) << folder;
            EXPECT_NE(readFileBytes(settings.mainFile()).find("\r\nDATAPATH=\r\n"), std::string::npos)
                << folder;
        }
    }
}

TEST(SettingsHardening, AChangeOnDiskIsSeenByTheNextRead)
{
    TempDir scratch;
    const Settings settings(scratch.folder());
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 5);
    writeFileBytes(settings.mainFile(), section({"STARTFLG=1"}));
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 1);
    // Another copy clears its flag: same size, new contents.
    ProfileFile(settings.mainFile()).write("Kalvendorix", "STARTFLG", "0");
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 0);
    writeFileBytes(settings.mainFile(), section({"STARTFLG=1", "PREFLAG=2"}));
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 1);
    std::filesystem::remove(settings.mainFile());
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 5);
    settings.writeRunningFlagToBoth(true);
    EXPECT_EQ(settings.readInt("STARTFLG", 5), 1);
}

TEST(SettingsHardening, AReadOnlySettingsFileIsNamedWithItsReasonAndTakesWritesOnceWritable)
{
    TempDir scratch;
    Settings settings(scratch.folder());
    settings.setDataPath(scratch.path("x.dat"));
    ASSERT_EQ(::chmod(scratch.folder().c_str(), 0700), 0);
    writeFileBytes(settings.mainFile(), section({}));
    ASSERT_EQ(::chmod(settings.mainFile().c_str(), 0400), 0);
    EXPECT_FALSE(settings.writeRunningFlagToBoth(true));
    EXPECT_EQ(settings.lastProblem().path, settings.mainFile());
    EXPECT_EQ(settings.lastProblem().reason, systemReason(EACCES));
    EXPECT_EQ(readFileBytes(settings.mainFile()), section({}));
    ASSERT_EQ(::chmod(settings.mainFile().c_str(), 0600), 0);
    EXPECT_TRUE(settings.writeRunningFlagToBoth(true));
    EXPECT_FALSE(settings.lastProblem().failed());
}

TEST(SettingsHardening, NewSettingsFilesAndTheProgramDirectoryArePrivate)
{
    const mode_t savedUmask = ::umask(022);
    TempDir scratch;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> previous
        = saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
    ::setenv("XDG_DATA_HOME", scratch.path("xdg").c_str(), 1);
    const std::string directory = resolveProgramDirectory();
    if (previous) {
        ::setenv("XDG_DATA_HOME", previous->c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(modeOf(scratch.path("xdg/Kalvendorix")), 0700u);
    EXPECT_EQ(modeOf(scratch.path("xdg")), 0700u);

    Settings settings(directory);
    settings.setDataPath(directory + "x.dat");
    ASSERT_TRUE(settings.writeRunningFlagToBoth(true));
    EXPECT_EQ(modeOf(settings.mainFile()), 0600u);
    ASSERT_EQ(::chmod(settings.mainFile().c_str(), 0640), 0);
    ASSERT_TRUE(settings.writeRunningFlagToBoth(false));
    EXPECT_EQ(modeOf(settings.mainFile()), 0640u) << "a chmod 640 is kept";
    ::umask(savedUmask);
}

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

TEST(SettingsHardening, TheLoadRemovesTemporaryFilesOfKilledSaves)
{
    TempDir scratch;
    std::filesystem::create_directories(scratch.path("prog"));
    std::filesystem::create_directories(scratch.path("data"));
    std::filesystem::create_directories(scratch.path("synced"));
    std::filesystem::create_symlink(scratch.path("synced/real.dat"), scratch.path("data/x.dat"));
    writeFileBytes(scratch.path("prog/Kalvendorix.ini"), section({"DATAPATH=" + scratch.path("data/x.dat")}));
    const pid_t ended = endedProcess();
    const std::vector<std::string> stale = {
        temporaryPathFor(scratch.path("prog/Kalvendorix.ini"), ended),
        temporaryPathFor(scratch.path("data/Kalvendorix.ini"), ended),
        temporaryPathFor(scratch.path("synced/real.dat"), ended),
    };
    const std::string running = temporaryPathFor(scratch.path("data/x.dat"), ::getpid());
    for (const std::string& file : stale) {
        writeFileBytes(file, "partial");
    }
    writeFileBytes(running, "being written");
    Settings settings(scratch.path("prog"));
    AlarmDefaults defaults;
    WindowSettings window;
    settings.loadAll(defaults, window);
    for (const std::string& file : stale) {
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
    }
    EXPECT_TRUE(std::filesystem::exists(running));
}

} // namespace
} // namespace kvx
