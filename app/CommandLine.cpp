#include "app/CommandLine.h"

#include "schedule/QuickCommands.h"

#include <string_view>

namespace kvx {

namespace {

struct Option {
    const char* name;
    std::optional<CopyRequest> request;
    TerminalCommand command;
    const char* usage;
    const char* description;
};

const Option kOptions[] = {
    {"--open", CopyRequest::Show, TerminalCommand::None, "--open", "カレンダーを開く"},
    {"--new", CopyRequest::NewAlarm, TerminalCommand::None, "--new", "新しいアラームを作る"},
    {"--quit", CopyRequest::Quit, TerminalCommand::None, "--quit", "終了する"},
    {"--quick", std::nullopt, TerminalCommand::Quick, "--quick 分 [メッセージ]",
        "今から１～１４４０分後に鳴るクイックタイマーを加える"},
    {"--list", std::nullopt, TerminalCommand::List, "--list [--date YYYY-MM-DD]",
        "アラームの一覧を表示する（--date でその日のアラーム）"},
    {"--next", std::nullopt, TerminalCommand::Next, "--next", "次のアラームの時刻とメッセージを表示する"},
    {"--export", std::nullopt, TerminalCommand::Export, "--export ファイル",
        "アラームをiCalendar形式で書き出す（- で標準出力）"},
    {"--import", std::nullopt, TerminalCommand::Import, "--import ファイル",
        "iCalendarの予定をアラームとして読み込む"},
    {"--resolve-ical", std::nullopt, TerminalCommand::ResolveICalendar, "--resolve-ical ファイル1 ファイル2",
        "同期ツールの競合：二つの版の両方を残す（ファイル1の版はカレンダーフォルダーに別の予定として加え、"
        "両方のファイルをファイル2の版にする）"},
    {"--help", std::nullopt, TerminalCommand::None, "--help", "この説明を表示して終わる"},
    {"--version", std::nullopt, TerminalCommand::None, "--version", "版を表示して終わる"},
};
constexpr char kDateOption[] = "--date";

// The options that Qt takes itself, of QGuiApplication and QApplication, and
// whether a value follows them ("-style fusion", or "-style=fusion").
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-qwindowgeometry", true},
    {"-geometry", true},
    {"-qwindowtitle", true},
    {"-title", true},
    {"-qwindowicon", true},
    {"-icon", true},
    {"-session", true},
    {"-display", true},
    {"-name", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-qmljsdebugger", true},
    {"-reverse", false},
    {"-widgetcount", false},
    {"-nograb", false},
    {"-dograb", false},
    {"-sync", false},
};

// Whether a value follows `argument`, an option of Qt's; nothing when it is none.
std::optional<bool> qtOptionTakesValue(std::string_view argument)
{
    for (const QtOption& option : kQtOptions) {
        if (argument == option.name) {
            return option.takesValue;
        }
        if (option.takesValue && argument.starts_with(option.name) && argument.size() > option.name.size()
            && argument[option.name.size()] == '=') {
            return false;
        }
    }
    return std::nullopt;
}
constexpr std::size_t kUsageWidth = 30;

CommandLine refused(std::string error, int status)
{
    CommandLine command;
    command.error = std::move(error);
    command.errorStatus = status;
    return command;
}

// The display width of a usage in columns: a full-width character takes two.
std::size_t columnsOf(const std::string& text)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        columns += length >= 3 ? 2 : 1;
        i += length;
    }
    return columns;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine command;
    int chosen = 0;
    bool dated = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            // The options end here; nothing may follow.
            if (i + 1 < arguments.size()) {
                return refused("余分な引数があります: " + arguments[i + 1], 2);
            }
            break;
        }
        if (!argument.starts_with("--")) {
            const std::optional<bool> qtOption = qtOptionTakesValue(argument);
            if (!qtOption) {
                return refused(
                    (argument.starts_with("-") ? "不明なオプションです: " : "余分な引数があります: ")
                        + argument,
                    2);
            }
            i += *qtOption ? 1 : 0;
            continue;
        }
        if (argument == kDateOption) {
            if (i + 1 >= arguments.size()) {
                return refused("--date には日付を指定してください", 2);
            }
            command.day = isoDay(arguments[++i]);
            if (!command.day) {
                return refused(kDateMessage, 1);
            }
            dated = true;
            continue;
        }
        const Option* known = nullptr;
        for (const Option& option : kOptions) {
            if (argument == option.name) {
                known = &option;
            }
        }
        if (known == nullptr) {
            return refused("不明なオプションです: " + argument, 2);
        }
        ++chosen;
        command.request = known->request;
        command.command = known->command;
        command.help = argument == "--help";
        command.version = argument == "--version";
        if (known->command == TerminalCommand::Export || known->command == TerminalCommand::Import) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                return refused(argument + " にはファイルを指定してください", 2);
            }
            command.path = arguments[++i];
            continue;
        }
        if (known->command == TerminalCommand::ResolveICalendar) {
            if (i + 2 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 2].empty()) {
                return refused(argument + " には二つのファイルを指定してください", 2);
            }
            command.path = arguments[++i];
            command.secondPath = arguments[++i];
            continue;
        }
        if (known->command != TerminalCommand::Quick) {
            continue;
        }
        if (i + 1 >= arguments.size()) {
            return refused("--quick には分を指定してください", 2);
        }
        const std::optional<int> minutes = quickMinutes(arguments[++i]);
        if (!minutes) {
            return refused(kQuickMinutesMessage, 1);
        }
        command.minutes = *minutes;
        // Every argument after the minutes is the message, dashes and all.
        if (i + 1 < arguments.size() && arguments[i + 1] == "--") {
            ++i;
        }
        for (std::size_t word = i + 1; word < arguments.size(); ++word) {
            command.message += (word > i + 1 ? " " : "") + arguments[word];
        }
        if (const std::optional<std::string> problem = terminalMessageProblem(command.message)) {
            return refused(*problem, 1);
        }
        break;
    }
    if (chosen > 1) {
        return refused("オプションは一つだけ指定できます", 2);
    }
    if (dated && command.command != TerminalCommand::List) {
        return refused("--date は --list と一緒に指定してください", 2);
    }
    return command;
}

std::vector<std::string> withAbsolutePaths(std::vector<std::string> arguments, const std::string& folder)
{
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--quick") {
            break; // the rest is its message
        }
        if ((arguments[i] == "--export" || arguments[i] == "--import") && arguments[i + 1] != "-"
            && !arguments[i + 1].starts_with('/')) {
            arguments[i + 1] = folder + (folder.ends_with('/') ? "" : "/") + arguments[i + 1];
        }
    }
    return arguments;
}

std::string commandLineHelp()
{
    std::string text = "使い方: kalvendorix [オプション]\n"
                       "通知領域に常駐するアラーム時計です。すでに動いているときは、"
                       "動いている方にオプションの操作を頼んで終わります。\n"
                       "--quick、--list、--next は、動いていなければ起動してから頼み、"
                       "起動したものは常駐し続けます。\n\n";
    for (const Option& option : kOptions) {
        const std::string usage = option.usage;
        const std::size_t columns = columnsOf(usage);
        text += "  " + usage + std::string(columns < kUsageWidth ? kUsageWidth - columns : 1, ' ')
            + option.description + "\n";
    }
    return text;
}

} // namespace kvx
