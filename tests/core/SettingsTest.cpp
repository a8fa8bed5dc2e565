#include "core/Settings.h"

#include "core/Cp932.h"
#include "tests/core/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace kvx {
namespace {

using test::readFileBytes;
using test::section;
using test::TempDir;
using test::writeFileBytes;

// Every field different from what the settings hold by default, so that a
// field the reader forgets shows up.
AlarmDefaults unusualDefaults()
{
    AlarmDefaults d;
    d.preMode = 2;
    d.preMinutes = 75;
    d.message = "一行目\r\n二行目";
    d.blink = 1;
    d.sound = 1;
    d.soundFile = "/home/user/ベル.wav";
    d.weekStartsMonday = 1;
    d.endless = 1;
    d.keepWindow = 1;
    d.blinkCount = 3;
    d.textColor = 255;
    d.backColor = 65535;
    d.fontName = "IPAGothic";
    d.fontSize = 20;
    d.fontBold = 0;
    d.fontItalic = -1;
    d.fontUnderline = -1;
    d.fontStrikethru = -1;
    d.textColorIndex = 1;
    d.backColorIndex = 0;
    d.weeklyKind = 9;
    d.listMode = 2;
    d.midiDevice = "Synth";
    d.waveDevice = "Speakers";
    d.warnPastTime = 0;
    d.lastSavedIndex = 4;
    return d;
}

const std::vector<std::string> kUnusualDefaultsLines = {
    "PREFLAG=2",
    "PRETIME=75",
    "MESSAGE=一行目!*#二行目",
    "BLINKFLAG=1",
    "SOUNDFLAG=1",
    "SOUNDFILE=/home/user/ベル.wav",
    "WEEKSTART=1",
    "ENDLESSFLG=1",
    "DELFORMFLG=1",
    "BLINKCNT=3",
    "FORECOLOR=255",
    "BACKCOLOR=65535",
    "FONTNAME=IPAGothic",
    "FONTSIZE=20",
    "FONTBOLD=0",
    "FONTITALIC=1",
    "FONTUNDERLINE=1",
    "FONTSTRIKETHRU=1",
    "FORECOLORINDEX=1",
    "BACKCOLORINDEX=0",
    "WEEKLYTIMING=9",
    "LISTDISPFLG=2",
    "MIDINM=Synth",
    "WAVENM=Speakers",
    "PASSFLAG=0",
};

std::string cp932Section(const std::vector<std::string>& lines)
{
    return toCp932(section(lines));
}

WindowSettings unusualWindow(const std::string& dataPath)
{
    WindowSettings w;
    w.formPosition = "3";
    w.editorFirst = 1;
    w.desktopNotify = 0;
    w.wakeUp = 1;
    w.portNumber = "5020";
    w.copyAction = 2;
    w.snoozeMinutes = 15;
    w.dataPath = dataPath;
    return w;
}

TEST(Settings, PathsFollowTheProgramDirectoryAndTheDataPath)
{
    struct Row {
        const char* name;
        std::string programDirectory;
        std::optional<std::string> dataPath; // nullopt: the default
        std::string mainFile;
        std::string dataSideFile;
        std::string logFile;
    };
    const Row rows[] = {
        {"default data path: one settings file", "/p/", std::nullopt, "/p/Kalvendorix.ini",
            "/p/Kalvendorix.ini", "/p/KalvendorixLog.txt"},
        {"a trailing slash is added", "/p", std::nullopt, "/p/Kalvendorix.ini", "/p/Kalvendorix.ini",
            "/p/KalvendorixLog.txt"},
        {"data file elsewhere", "/p/", "/d/sub/my.dat", "/p/Kalvendorix.ini", "/d/sub/Kalvendorix.ini",
            "/d/sub/KalvendorixLog.txt"},
        {"data path without any slash: bare names", "/p/", "my.dat", "/p/Kalvendorix.ini", "Kalvendorix.ini",
            "KalvendorixLog.txt"},
        {"relative data path keeps its directory", "/p/", "d/x.dat", "/p/Kalvendorix.ini",
            "d/Kalvendorix.ini", "d/KalvendorixLog.txt"},
    };
    for (const Row& row : rows) {
        Settings settings(row.programDirectory);
        if (row.dataPath) {
            settings.setDataPath(*row.dataPath);
        }
        EXPECT_EQ(settings.mainFile(), row.mainFile) << row.name;
        EXPECT_EQ(settings.dataSideFile(), row.dataSideFile) << row.name;
        EXPECT_EQ(settings.logFile(), row.logFile) << row.name;
    }
    EXPECT_EQ(Settings("/p").dataPath(), "/p/Kalvendorix.dat");
}

TEST(Settings, DirectoryOfAPathEndsAtTheLastSlash)
{
    struct Row {
        const char* path;
        const char* directory;
    };
    const Row rows[] = {
        {"/home/u/Kalvendorix.dat", "/home/u/"},
        {"/home/u/", "/home/u/"},
        {"/x", "/"},
        {"Kalvendorix.dat", ""},
        {"", ""},
        {"a/b/c", "a/b/"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(directoryOf(row.path), row.directory) << row.path;
    }
}

TEST(Settings, FileDialogsStartInThePathsDirectoryOrTheProgramDirectory)
{
    struct Row {
        const char* name;
        const char* path;
        const char* directory;
    };
    const Row rows[] = {
        {"full path", "/music/bell.wav", "/music/"},
        {"empty", "", "/p/"},
        {"blank after trimming", "   ", "/p/"},
        {"no directory part", "bell.wav", "/p/"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(initialDialogDirectory("/p/", row.path), row.directory) << row.name;
    }
}

TEST(Settings, TheDataPathComesFromTheMainFileOnly)
{
    struct Row {
        const char* name;
        std::optional<std::string> mainFile;
        std::string expected; // relative to the scratch directory
    };
    const Row rows[] = {
        {"no main file: the data file in the program directory", std::nullopt, "prog/Kalvendorix.dat"},
        {"no key: the data file in the program directory", section({"PREFLAG=1"}), "prog/Kalvendorix.dat"},
        {"the key's value", section({"DATAPATH=@data/x.dat"}), "data/x.dat"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        std::filesystem::create_directory(scratch.path("prog"));
        std::filesystem::create_directory(scratch.path("data"));
        // A data-side file that names another data path must not count.
        writeFileBytes(
            scratch.path("data/Kalvendorix.ini"), section({"DATAPATH=" + scratch.path("elsewhere.dat")}));
        if (row.mainFile) {
            std::string content = *row.mainFile;
            const std::size_t at = content.find('@');
            if (at != std::string::npos) {
                content.replace(at, 1, scratch.folder());
            }
            writeFileBytes(scratch.path("prog/Kalvendorix.ini"), content);
        }
        Settings settings(scratch.path("prog"));
        settings.setDataPath(scratch.path("data/x.dat"));
        EXPECT_EQ(settings.readDataPath(), scratch.path(row.expected)) << row.name;
    }
}

TEST(Settings, TheSoundDevicesAreAskedForUntilChosenOrUntilAnEmptyListGainsADevice)
{
    using Name = std::optional<std::string>;
    struct Row {
        const char* name;
        Name midi, wave;
        bool midiOffered, waveOffered;
        bool asks;
    };
    const Row rows[] = {
        {"never chosen", std::nullopt, std::nullopt, true, true, true},
        {"never chosen, nothing to offer", std::nullopt, std::nullopt, false, false, true},
        {"MIDI never chosen", std::nullopt, Name("HDMI"), true, true, true},
        {"both chosen", Name("Synth"), Name("HDMI"), true, true, false},
        {"chosen from empty lists", Name(""), Name(""), false, false, false},
        {"no MIDI device, wave chosen", Name(""), Name("HDMI"), false, true, false},
        {"a MIDI device appeared", Name(""), Name("HDMI"), true, true, true},
        {"a wave device appeared", Name("Synth"), Name(""), true, true, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(asksForSoundDevices(row.midi, row.wave, row.midiOffered, row.waveOffered), row.asks)
            << row.name;
    }
}

TEST(Settings, AbsentKeysTakeTheirDefaults)
{
    TempDir scratch;
    AlarmDefaults expected;
    expected.preMode = 0;
    expected.preMinutes = 0;
    expected.message = "";
    expected.blink = 0;
    expected.sound = 0;
    expected.soundFile = "";
    expected.weekStartsMonday = 0;
    expected.endless = 0;
    expected.keepWindow = 0;
    expected.blinkCount = 10;
    expected.textColor = 0;
    expected.backColor = -2147483633;
    expected.fontName = "MS Pｺﾞｼｯｸ";
    expected.fontSize = 12;
    expected.fontBold = -1;
    expected.fontItalic = 0;
    expected.fontUnderline = 0;
    expected.fontStrikethru = 0;
    expected.textColorIndex = 7;
    expected.backColorIndex = 5;
    expected.weeklyKind = 2;
    expected.listMode = 1;
    expected.midiDevice = "";
    expected.waveDevice = "";
    expected.warnPastTime = 1;
    expected.lastSavedIndex = 4; // not a setting: left alone
    const WindowSettings expectedWindow{"", 0, 1, 0, "", 1, 5, scratch.path("Kalvendorix.dat"), ""};

    struct Row {
        const char* name;
        std::optional<std::string> content;
    };
    const Row rows[] = {
        {"no file", std::nullopt},
        {"empty file", ""},
        {"another section only", "[Other]\r\nPREFLAG=2\r\nFORMFLAG=2\r\n"},
    };
    for (const Row& row : rows) {
        if (row.content) {
            writeFileBytes(scratch.path("Kalvendorix.ini"), *row.content);
        }
        Settings settings(scratch.folder());
        AlarmDefaults defaults = unusualDefaults();
        WindowSettings window = unusualWindow("/somewhere/else.dat");
        settings.loadAll(defaults, window);
        EXPECT_EQ(defaults, expected) << row.name;
        EXPECT_EQ(window, expectedWindow) << row.name;
        EXPECT_EQ(settings.dataPath(), scratch.path("Kalvendorix.dat")) << row.name;
        EXPECT_EQ(settings.readInt("STARTFLG", 0), 0) << row.name;
        EXPECT_EQ(settings.readSetting("STARTMD", "0"), "0") << row.name;
    }
}

TEST(Settings, EveryKeyIsReadFromTheDataSideFile)
{
    TempDir scratch;
    std::filesystem::create_directory(scratch.path("prog"));
    std::filesystem::create_directory(scratch.path("data"));
    const std::string dataPath = scratch.path("data/my.dat");
    writeFileBytes(
        scratch.path("prog/Kalvendorix.ini"), section({"DATAPATH=" + dataPath, "PREFLAG=1", "FORMFLAG=1"}));
    std::vector<std::string> lines = kUnusualDefaultsLines;
    for (const char* line : {"FORMFLAG=3", "DEFFORM=1", "NOTIFYFLG=0", "WAKEUPFLG=1", "PORTNUM=5020",
             "COPYACTION=2", "SNOOZETIME=15", "STARTFLG=1"}) {
        lines.emplace_back(line);
    }
    lines.push_back("DATAPATH=" + dataPath);
    writeFileBytes(scratch.path("data/Kalvendorix.ini"), cp932Section(lines));

    Settings settings(scratch.path("prog"));
    AlarmDefaults defaults;
    WindowSettings window;
    settings.loadAll(defaults, window);
    AlarmDefaults expected = unusualDefaults();
    expected.lastSavedIndex = -1;
    EXPECT_EQ(defaults, expected);
    EXPECT_EQ(window, unusualWindow(dataPath));
    EXPECT_EQ(settings.dataPath(), dataPath);
    EXPECT_EQ(settings.readInt("STARTFLG", 0), 1);
}

TEST(Settings, TheDataSideFileNamesTheDataPathInForce)
{
    struct Row {
        const char* name;
        std::optional<std::string> dataSideEntry; // relative to the scratch directory
        std::string expected;
    };
    const Row rows[] = {
        {"its own entry wins", "moved/y.dat", "moved/y.dat"},
        {"without an entry the main file's path stays", std::nullopt, "data/x.dat"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        std::filesystem::create_directory(scratch.path("data"));
        writeFileBytes(scratch.path("Kalvendorix.ini"), section({"DATAPATH=" + scratch.path("data/x.dat")}));
        writeFileBytes(scratch.path("data/Kalvendorix.ini"),
            row.dataSideEntry ? section({"DATAPATH=" + scratch.path(*row.dataSideEntry)}) : section({}));
        Settings settings(scratch.folder());
        AlarmDefaults defaults;
        WindowSettings window;
        settings.loadAll(defaults, window);
        EXPECT_EQ(window.dataPath, scratch.path(row.expected)) << row.name;
        EXPECT_EQ(settings.dataPath(), scratch.path(row.expected)) << row.name;
    }
}

TEST(Settings, IntegerKeysReadDecimalTextOrTheirDefault)
{
    struct Row {
        const char* name;
        const char* key;
        const char* stored;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"plain number", "BLINKCNT", "25", 25},
        {"surrounding spaces", "BLINKCNT", "  25  ", 25},
        {"negative", "PRETIME", "-5", -5},
        {"plus sign", "BLINKCNT", "+7", 7},
        {"letters take the default", "BLINKCNT", "abc", 10},
        {"trailing letters take the default", "BLINKCNT", "12abc", 10},
        {"a fraction takes the default", "FONTSIZE", "10.5", 12},
        {"empty takes the default", "BLINKCNT", "", 10},
        {"two signs take the default", "BLINKCNT", "+-3", 10},
        {"past the 16-bit range takes the default", "BLINKCNT", "40000", 10},
        {"a colour uses the 32-bit range", "BACKCOLOR", "-2147483633", -2147483633},
        {"a colour that is not a number takes the button face", "BACKCOLOR", "grey", -2147483633},
        {"a colour past the 32-bit range takes the default", "FORECOLOR", "4294967295", 0},
        {"the past-time warning defaults to on", "PASSFLAG", "x", 1},
        {"the list mode defaults to all alarms", "LISTDISPFLG", "x", 1},
        {"the weekly kind defaults to weekly", "WEEKLYTIMING", "x", 2},
        {"colour indexes default to black text", "FORECOLORINDEX", "x", 7},
        {"on grey", "BACKCOLORINDEX", "x", 5},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        writeFileBytes(scratch.path("Kalvendorix.ini"), section({std::string(row.key) + "=" + row.stored}));
        const Settings settings(scratch.folder());
        AlarmDefaults defaults;
        settings.readAlarmDefaults(defaults);
        const std::string key = row.key;
        const std::int32_t actual = key == "BLINKCNT" ? defaults.blinkCount
            : key == "PRETIME"                        ? defaults.preMinutes
            : key == "FONTSIZE"                       ? defaults.fontSize
            : key == "BACKCOLOR"                      ? defaults.backColor
            : key == "FORECOLOR"                      ? defaults.textColor
            : key == "PASSFLAG"                       ? defaults.warnPastTime
            : key == "LISTDISPFLG"                    ? defaults.listMode
            : key == "WEEKLYTIMING"                   ? defaults.weeklyKind
            : key == "FORECOLORINDEX"                 ? defaults.textColorIndex
                                                      : defaults.backColorIndex;
        EXPECT_EQ(actual, row.expected) << row.name;
    }
}

TEST(Settings, WindowIntegersAndTheRunningFlagReadLikewise)
{
    struct Row {
        const char* name;
        const char* lines;
        std::int16_t editorFirst;
        std::int16_t desktopNotify;
        std::int16_t copyAction;
        int running;
    };
    const Row rows[] = {
        {"set", "DEFFORM=1\r\nNOTIFYFLG=0\r\nCOPYACTION=2\r\nSTARTFLG=1\r\n", 1, 0, 2, 1},
        {"spaces", "DEFFORM= 0 \r\nNOTIFYFLG= 1 \r\nCOPYACTION= 1\r\nSTARTFLG= 0\r\n", 0, 1, 1, 0},
        {"not numbers take the defaults", "DEFFORM=yes\r\nNOTIFYFLG=no\r\nCOPYACTION=copy\r\nSTARTFLG=on\r\n",
            0, 1, 1, 0},
        {"absent keys take the defaults", "", 0, 1, 1, 0},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        writeFileBytes(scratch.path("Kalvendorix.ini"), std::string("[Kalvendorix]\r\n") + row.lines);
        const Settings settings(scratch.folder());
        WindowSettings window;
        window.editorFirst = 7;
        window.desktopNotify = 7;
        window.copyAction = 7;
        settings.readWindowSettings(window);
        EXPECT_EQ(window.editorFirst, row.editorFirst) << row.name;
        EXPECT_EQ(window.desktopNotify, row.desktopNotify) << row.name;
        EXPECT_EQ(window.copyAction, row.copyAction) << row.name;
        EXPECT_EQ(settings.readInt("STARTFLG", 0), row.running) << row.name;
    }
}

TEST(Settings, FontFlagsAreSetByAnythingButZero)
{
    struct Row {
        const char* stored;
        std::int16_t expected;
    };
    const Row rows[] = {
        {"0", 0},
        {" 0 ", 0},
        {"1", -1},
        {"-1", -1},
        {"yes", -1},
        {"", -1},
        {"00", -1},
    };
    for (const char* key : {"FONTBOLD", "FONTITALIC", "FONTUNDERLINE", "FONTSTRIKETHRU"}) {
        for (const Row& row : rows) {
            TempDir scratch;
            writeFileBytes(scratch.path("Kalvendorix.ini"), section({std::string(key) + "=" + row.stored}));
            AlarmDefaults defaults;
            defaults.fontBold = defaults.fontItalic = defaults.fontUnderline = defaults.fontStrikethru = 5;
            Settings(scratch.folder()).readAlarmDefaults(defaults);
            const std::string name = key;
            const std::int16_t actual = name == "FONTBOLD" ? defaults.fontBold
                : name == "FONTITALIC"                     ? defaults.fontItalic
                : name == "FONTUNDERLINE"                  ? defaults.fontUnderline
                                                           : defaults.fontStrikethru;
            EXPECT_EQ(actual, row.expected) << key << "=\"" << row.stored << "\"";
        }
    }
}

TEST(Settings, LineBreaksInTheMessageAreStoredAsAMark)
{
    struct Row {
        const char* name;
        const char* inMemory;
        const char* onDisk;
        const char* readBack;
    };
    const Row rows[] = {
        {"one line", "起きる", "起きる", "起きる"},
        {"two lines", "一行目\r\n二行目", "一行目!*#二行目", "一行目\r\n二行目"},
        {"blank line between", "a\r\n\r\nb", "a!*#!*#b", "a\r\n\r\nb"},
        {"break at both ends", "\r\nmid\r\n", "!*#mid!*#", "\r\nmid\r\n"},
        {"a bare LF is a line break too", "a\nb", "a!*#b", "a\r\nb"},
        {"a bare CR is a line break too", "a\rb", "a!*#b", "a\r\nb"},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const Settings settings(scratch.folder());
        AlarmDefaults defaults;
        defaults.message = row.inMemory;
        defaults.lastSavedIndex = 0;
        ASSERT_TRUE(settings.writeAlarmDefaults(settings.mainFile(), defaults)) << row.name;
        EXPECT_NE(readFileBytes(settings.mainFile())
                      .find(toCp932(std::string("\r\nMESSAGE=") + row.onDisk + "\r\n")),
            std::string::npos)
            << row.name;
        AlarmDefaults read;
        settings.readAlarmDefaults(read);
        EXPECT_EQ(read.message, row.readBack) << row.name;
    }
}

TEST(Settings, ALongJapaneseMessageComesBackCutOnACharacter)
{
    TempDir scratch;
    const Settings settings(scratch.folder());
    std::string message;
    for (int i = 0; i < 200; ++i) {
        message += "鐘";
    }
    AlarmDefaults defaults;
    defaults.message = message;
    defaults.lastSavedIndex = 0;
    ASSERT_TRUE(settings.writeAlarmDefaults(settings.mainFile(), defaults));
    AlarmDefaults read;
    settings.readAlarmDefaults(read);
    EXPECT_EQ(toCp932(read.message).size(), 254u);
    EXPECT_EQ(message.substr(0, read.message.size()), read.message);
}

TEST(Settings, AlarmDefaultsAreWrittenInKeyOrder)
{
    struct Row {
        const char* name;
        std::string before;
        std::string after;
    };
    const Row rows[] = {
        {"into a new file", "", cp932Section(kUnusualDefaultsLines)},
        {"over old values and beside other keys",
            section({"PASSFLAG=1", "STARTFLG=1", "PREFLAG=0"}) + "[Other]\r\nX=1\r\n",
            [] {
                std::vector<std::string> lines = kUnusualDefaultsLines;
                // Existing keys keep their places; the others follow in key order.
                lines.erase(lines.begin());
                lines.pop_back();
                lines.insert(lines.begin(), {"PASSFLAG=0", "STARTFLG=1", "PREFLAG=2"});
                return cp932Section(lines) + "[Other]\r\nX=1\r\n";
            }()},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        const Settings settings(scratch.folder());
        if (!row.before.empty()) {
            writeFileBytes(settings.mainFile(), row.before);
        }
        ASSERT_TRUE(settings.writeAlarmDefaults(settings.mainFile(), unusualDefaults())) << row.name;
        EXPECT_EQ(readFileBytes(settings.mainFile()), row.after) << row.name;
    }
}

TEST(Settings, OtherWritersUseTheirFixedFormats)
{
    TempDir scratch;
    const Settings settings(scratch.folder());
    const std::string file = settings.mainFile();
    struct Row {
        const char* name;
        std::function<bool()> write;
        std::string expected;
    };
    const Row rows[] = {
        {"window settings in order",
            [&] { return settings.writeWindowSettings(file, unusualWindow("/d/x.dat")); },
            section({"FORMFLAG=3", "DEFFORM=1", "NOTIFYFLG=0", "WAKEUPFLG=1", "PORTNUM=5020", "COPYACTION=2",
                "SNOOZETIME=15", "DATAPATH=/d/x.dat"})},
        {"empty window settings", [&] { return settings.writeWindowSettings(file, WindowSettings{}); },
            section({"FORMFLAG=", "DEFFORM=0", "NOTIFYFLG=1", "WAKEUPFLG=0", "PORTNUM=", "COPYACTION=1",
                "SNOOZETIME=5", "DATAPATH="})},
        {"running", [&] { return settings.writeRunningFlag(file, true); }, section({"STARTFLG=1"})},
        {"not running", [&] { return settings.writeRunningFlag(file, false); }, section({"STARTFLG=0"})},
        {"a general key", [&] { return settings.writeSetting(file, "STARTMD", "1"); },
            section({"STARTMD=1"})},
        {"a device name", [&] { return settings.writeSetting(file, "MIDINM", "シンセ"); },
            cp932Section({"MIDINM=シンセ"})},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(file);
        EXPECT_TRUE(row.write()) << row.name;
        EXPECT_EQ(readFileBytes(file), row.expected) << row.name;
    }
}

TEST(Settings, NoAlarmSavedSinceStartLeavesTheAlarmKeysAlone)
{
    TempDir scratch;
    std::filesystem::create_directory(scratch.path("data"));
    Settings settings(scratch.folder());
    settings.setDataPath(scratch.path("data/x.dat"));
    const std::string old = section({"PREFLAG=1", "MESSAGE=old", "FORMFLAG=1"});
    writeFileBytes(settings.mainFile(), old);
    AlarmDefaults defaults = unusualDefaults();
    defaults.lastSavedIndex = -1;

    EXPECT_TRUE(settings.writeAlarmDefaults(settings.mainFile(), defaults));
    EXPECT_EQ(readFileBytes(settings.mainFile()), old);
    EXPECT_TRUE(settings.writeAlarmDefaults(settings.dataSideFile(), defaults));
    EXPECT_FALSE(std::filesystem::exists(settings.dataSideFile()));

    EXPECT_TRUE(settings.saveSettings(defaults, unusualWindow(scratch.path("data/x.dat"))));
    const std::string window = "FORMFLAG=3\r\nDEFFORM=1\r\nNOTIFYFLG=0\r\nWAKEUPFLG=1\r\nPORTNUM="
                               "5020\r\nCOPYACTION=2\r\nSNOOZETIME=15\r\n"
                               "DATAPATH="
        + scratch.path("data/x.dat") + "\r\n";
    EXPECT_EQ(readFileBytes(settings.mainFile()), section({"PREFLAG=1", "MESSAGE=old"}) + window);
    EXPECT_EQ(readFileBytes(settings.dataSideFile()), "[Kalvendorix]\r\n" + window);
}

TEST(Settings, EachSaveWritesTheMainFileThenTheDataSideFile)
{
    struct Row {
        const char* name;
        const char* dataDirectory; // below the scratch directory; "" = the program directory
        bool twoFiles;
    };
    const Row rows[] = {
        {"data file elsewhere: two files", "data/", true},
        {"data file in the program directory: one file", "", false},
    };
    for (const Row& row : rows) {
        TempDir scratch;
        std::filesystem::create_directory(scratch.path("data"));
        Settings settings(scratch.folder());
        const std::string dataPath = scratch.path(std::string(row.dataDirectory) + "x.dat");
        settings.setDataPath(dataPath);
        EXPECT_EQ(settings.mainFile() != settings.dataSideFile(), row.twoFiles) << row.name;

        EXPECT_TRUE(settings.writeRunningFlagToBoth(true)) << row.name;
        EXPECT_TRUE(settings.saveSettings(unusualDefaults(), unusualWindow(dataPath))) << row.name;
        EXPECT_TRUE(settings.writeSettingToBoth("STARTMD", "1")) << row.name;

        std::vector<std::string> lines = {"STARTFLG=1"};
        lines.insert(lines.end(), kUnusualDefaultsLines.begin(), kUnusualDefaultsLines.end());
        for (const char* line : {"FORMFLAG=3", "DEFFORM=1", "NOTIFYFLG=0", "WAKEUPFLG=1", "PORTNUM=5020",
                 "COPYACTION=2", "SNOOZETIME=15"}) {
            lines.emplace_back(line);
        }
        lines.push_back("DATAPATH=" + dataPath);
        lines.emplace_back("STARTMD=1");
        EXPECT_EQ(readFileBytes(settings.mainFile()), cp932Section(lines)) << row.name;
        EXPECT_EQ(readFileBytes(settings.dataSideFile()), cp932Section(lines)) << row.name;

        AlarmDefaults defaults;
        WindowSettings window;
        Settings restarted(scratch.folder());
        restarted.loadAll(defaults, window);
        AlarmDefaults expected = unusualDefaults();
        expected.lastSavedIndex = -1;
        EXPECT_EQ(defaults, expected) << row.name;
        EXPECT_EQ(window, unusualWindow(dataPath)) << row.name;
    }
}

TEST(Settings, ADataPathWithoutASlashUsesBareNamesInTheCurrentDirectory)
{
    TempDir scratch;
    std::filesystem::create_directory(scratch.path("prog"));
    std::filesystem::create_directory(scratch.path("cwd"));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path("cwd"));
    Settings settings(scratch.path("prog"));
    settings.setDataPath("plain.dat");
    const bool written = settings.writeRunningFlagToBoth(true);
    const std::string readBack = settings.readSetting("STARTFLG", "none");
    std::filesystem::current_path(previous);

    EXPECT_TRUE(written);
    EXPECT_EQ(settings.dataSideFile(), "Kalvendorix.ini");
    EXPECT_EQ(readBack, "1");
    EXPECT_EQ(readFileBytes(scratch.path("cwd/Kalvendorix.ini")), section({"STARTFLG=1"}));
    EXPECT_EQ(readFileBytes(scratch.path("prog/Kalvendorix.ini")), section({"STARTFLG=1"}));
}

TEST(Settings, WritesIntoAMissingDirectoryFailQuietly)
{
    TempDir scratch;
    Settings settings(scratch.folder());
    settings.setDataPath(scratch.path("gone/x.dat"));
    struct Row {
        const char* name;
        std::function<bool()> write;
    };
    const Row rows[] = {
        {"save",
            [&] { return settings.saveSettings(unusualDefaults(), unusualWindow(settings.dataPath())); }},
        {"running flag", [&] { return settings.writeRunningFlagToBoth(false); }},
        {"one key", [&] { return settings.writeSettingToBoth("WAVENM", "x"); }},
        {"directly", [&] { return settings.writeRunningFlag(scratch.path("gone/Kalvendorix.ini"), true); }},
    };
    for (const Row& row : rows) {
        bool written = true;
        EXPECT_NO_THROW(written = row.write()) << row.name;
        EXPECT_FALSE(written) << row.name;
        // Each failure says which file and why.
        EXPECT_EQ(settings.lastProblem().kind, FileProblem::Kind::SaveFailed) << row.name;
        EXPECT_EQ(settings.lastProblem().path, scratch.path("gone/Kalvendorix.ini")) << row.name;
        EXPECT_EQ(settings.lastProblem().reason, "No such file or directory") << row.name;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.path("gone")));
    // The main file still took every write that could be made.
    const std::string main = readFileBytes(settings.mainFile());
    for (const char* line :
        {"\r\nPREFLAG=2\r\n", "\r\nFORMFLAG=3\r\n", "\r\nSTARTFLG=0\r\n", "\r\nWAVENM=x\r\n"}) {
        EXPECT_NE(main.find(line), std::string::npos) << line;
    }
}

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name)
        : m_name(name)
    {
        if (const char* value = std::getenv(name)) {
            m_saved = value;
        }
    }
    ~EnvironmentVariable()
    {
        if (m_saved) {
            ::setenv(m_name, m_saved->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

    void set(const std::optional<std::string>& value)
    {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_saved;
};

TEST(Settings, TheProgramDirectoryIsTheUsersDataDirectory)
{
    struct Row {
        const char* name;
        std::optional<std::string> xdgDataHome; // '@' stands for the scratch directory
        std::string expected;
    };
    const Row rows[] = {
        {"XDG_DATA_HOME set", "@xdg", "@xdg/Kalvendorix/"},
        {"XDG_DATA_HOME with a trailing slash", "@xdg/", "@xdg/Kalvendorix/"},
        {"XDG_DATA_HOME unset", std::nullopt, "@home/.local/share/Kalvendorix/"},
        {"XDG_DATA_HOME empty", "", "@home/.local/share/Kalvendorix/"},
        {"XDG_DATA_HOME relative is ignored", "relative/dir", "@home/.local/share/Kalvendorix/"},
    };
    EnvironmentVariable xdg("XDG_DATA_HOME");
    EnvironmentVariable home("HOME");
    for (const Row& row : rows) {
        TempDir scratch;
        auto expand = [&](std::string text) {
            if (!text.empty() && text.front() == '@') {
                text.replace(0, 1, scratch.folder());
            }
            return text;
        };
        home.set(scratch.path("home"));
        xdg.set(row.xdgDataHome ? std::optional(expand(*row.xdgDataHome)) : std::nullopt);
        const std::string directory = resolveProgramDirectory();
        EXPECT_EQ(directory, expand(row.expected)) << row.name;
        EXPECT_TRUE(std::filesystem::is_directory(directory)) << row.name;
    }
}

} // namespace
} // namespace kvx
