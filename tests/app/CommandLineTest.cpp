#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(CommandLine, OneOwnOptionAtMostAndQtsOwnPassThrough)
{
    struct Row {
        std::vector<std::string> arguments;
        std::optional<CopyRequest> request;
        bool help;
        bool version;
        std::string error;
    };
    const Row rows[] = {
        {{}, std::nullopt, false, false, ""},
        {{"--open"}, CopyRequest::Show, false, false, ""},
        {{"--new"}, CopyRequest::NewAlarm, false, false, ""},
        {{"--quit"}, CopyRequest::Quit, false, false, ""},
        {{"--help"}, std::nullopt, true, false, ""},
        {{"--version"}, std::nullopt, false, true, ""},
        {{"-platform", "offscreen", "--open"}, CopyRequest::Show, false, false, ""},
        {{"--open", "--quit"}, std::nullopt, false, false, "オプションは一つだけ指定できます"},
        {{"--open", "--open"}, std::nullopt, false, false, "オプションは一つだけ指定できます"},
        {{"--opne"}, std::nullopt, false, false, "不明なオプションです: --opne"},
        {{"--open=1"}, std::nullopt, false, false, "不明なオプションです: --open=1"},
        {{"-style=fusion", "-reverse", "--new"}, CopyRequest::NewAlarm, false, false, ""},
        {{"-x"}, std::nullopt, false, false, "不明なオプションです: -x"},
        {{"-"}, std::nullopt, false, false, "不明なオプションです: -"},
        {{"--open", "extra"}, std::nullopt, false, false, "余分な引数があります: extra"},
        {{"--open", "--", "extra"}, std::nullopt, false, false, "余分な引数があります: extra"},
    };
    for (const Row& row : rows) {
        const CommandLine command = parseCommandLine(row.arguments);
        const std::string name = row.arguments.empty() ? "(none)" : row.arguments.back();
        EXPECT_EQ(command.request, row.request) << name;
        EXPECT_EQ(command.help, row.help) << name;
        EXPECT_EQ(command.version, row.version) << name;
        EXPECT_EQ(command.error, row.error) << name;
    }
}

TEST(CommandLine, CommandsOfTheTerminal)
{
    struct Row {
        std::vector<std::string> arguments;
        TerminalCommand command;
        int minutes;
        std::string message;
        std::optional<OleDate> day;
        std::string error;
        int status; // of a refusal
    };
    const Row rows[] = {
        {{"--quick", "20"}, TerminalCommand::Quick, 20, "", std::nullopt, "", 2},
        {{"--quick", "1440", "お茶 を入れる"}, TerminalCommand::Quick, 1440, "お茶 を入れる", std::nullopt,
            "", 2},
        {{"-platform", "offscreen", "--quick", "5"}, TerminalCommand::Quick, 5, "", std::nullopt, "", 2},
        {{"--quick", "5", "-休憩"}, TerminalCommand::Quick, 5, "-休憩", std::nullopt, "", 2},
        {{"--quick", "5", "--", "-休憩", "--list"}, TerminalCommand::Quick, 5, "-休憩 --list", std::nullopt,
            "", 2},
        {{"--quick", "5", "お茶", "を", "入れる"}, TerminalCommand::Quick, 5, "お茶 を 入れる", std::nullopt,
            "", 2},
        {{"--quick", "5", "改行\nあり"}, TerminalCommand::None, 0, "", std::nullopt,
            "メッセージに、タブ以外の制御文字は使えません", 1},
        {{"--quick", "5", "タブ\tは可"}, TerminalCommand::Quick, 5, "タブ\tは可", std::nullopt, "", 2},
        {{"--quick", "5", std::string(65535, 'a')}, TerminalCommand::Quick, 5, std::string(65535, 'a'),
            std::nullopt, "", 2},
        {{"--quick", "5", std::string(65536, 'a')}, TerminalCommand::None, 0, "", std::nullopt,
            "メッセージが長すぎます。データファイルに保存できるのは65535バイトまでです", 1},
        {{"--list", "extra"}, TerminalCommand::None, 0, "", std::nullopt, "余分な引数があります: extra", 2},
        {{"--list"}, TerminalCommand::List, 0, "", std::nullopt, "", 2},
        {{"--list", "--date", "2026-12-09"}, TerminalCommand::List, 0, "", OleDate::fromCivil(2026, 12, 9),
            "", 2},
        {{"--date", "2026-12-09", "--list"}, TerminalCommand::List, 0, "", OleDate::fromCivil(2026, 12, 9),
            "", 2},
        {{"--next"}, TerminalCommand::Next, 0, "", std::nullopt, "", 2},
        {{"--quick", "0"}, TerminalCommand::None, 0, "", std::nullopt,
            "分を、１から１４４０までの値にしてください", 1},
        {{"--quick", "1441"}, TerminalCommand::None, 0, "", std::nullopt,
            "分を、１から１４４０までの値にしてください", 1},
        {{"--quick", "abc"}, TerminalCommand::None, 0, "", std::nullopt,
            "分を、１から１４４０までの値にしてください", 1},
        {{"--quick", "5", "茶🍵"}, TerminalCommand::None, 0, "", std::nullopt,
            "メッセージに、データファイルに保存できない文字が含まれています", 1},
        {{"--quick"}, TerminalCommand::None, 0, "", std::nullopt, "--quick には分を指定してください", 2},
        {{"--list", "--date", "2026-02-30"}, TerminalCommand::None, 0, "", std::nullopt,
            "日付を、YYYY-MM-DD の形で指定してください", 1},
        {{"--list", "--date"}, TerminalCommand::None, 0, "", std::nullopt,
            "--date には日付を指定してください", 2},
        {{"--next", "--date", "2026-12-09"}, TerminalCommand::None, 0, "", std::nullopt,
            "--date は --list と一緒に指定してください", 2},
        {{"--next", "--list"}, TerminalCommand::None, 0, "", std::nullopt, "オプションは一つだけ指定できます",
            2},
        {{"--export", "-"}, TerminalCommand::Export, 0, "", std::nullopt, "", 2},
        {{"--import", "a.ics"}, TerminalCommand::Import, 0, "", std::nullopt, "", 2},
        {{"--import"}, TerminalCommand::None, 0, "", std::nullopt, "--import にはファイルを指定してください",
            2},
        {{"--export", "a.ics", "b.ics"}, TerminalCommand::None, 0, "", std::nullopt,
            "余分な引数があります: b.ics", 2},
    };
    for (const Row& row : rows) {
        const CommandLine command = parseCommandLine(row.arguments);
        std::string name;
        for (const std::string& argument : row.arguments) {
            name += argument + " ";
        }
        EXPECT_EQ(command.error, row.error) << name;
        if (!row.error.empty()) {
            EXPECT_EQ(command.errorStatus, row.status) << name;
            continue;
        }
        EXPECT_EQ(command.command, row.command) << name;
        EXPECT_EQ(command.minutes, row.minutes) << name;
        EXPECT_EQ(command.message, row.message) << name;
        EXPECT_EQ(command.day, row.day) << name;
        EXPECT_FALSE(command.request.has_value()) << name;
    }
}

// The running copy works in another folder: the files of --export and --import
// go to it named from the terminal's.
TEST(CommandLine, CalendarFilesAreNamedFromTheTerminalsFolder)
{
    using Arguments = std::vector<std::string>;
    const std::pair<Arguments, Arguments> rows[] = {
        {{"--export", "out.ics"}, {"--export", "/home/u/out.ics"}},
        {{"--import", "../in.ics"}, {"--import", "/home/u/../in.ics"}},
        {{"--export", "-"}, {"--export", "-"}},
        {{"--import", "/tmp/in.ics"}, {"--import", "/tmp/in.ics"}},
        {{"--quick", "5", "--", "--export", "x"}, {"--quick", "5", "--", "--export", "x"}},
    };
    for (const auto& [given, sent] : rows) {
        EXPECT_EQ(withAbsolutePaths(given, "/home/u"), sent) << given.back();
    }
}

TEST(CommandLine, HelpListsEveryOption)
{
    const std::string help = commandLineHelp();
    for (const char* usage :
        {"--quick 分 [メッセージ]", "--list [--date YYYY-MM-DD]", "--next", "--open", "--quit"}) {
        EXPECT_NE(help.find(usage), std::string::npos) << usage;
    }
}

} // namespace
} // namespace kvx
