#include "app/CommandLine.h"

#include "core/Cp932.h"
#include "schedule/QuickCommands.h"

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
    {"--help", std::nullopt, TerminalCommand::None, "--help", "この説明を表示して終わる"},
    {"--version", std::nullopt, TerminalCommand::None, "--version", "版を表示して終わる"},
};
constexpr char kDateOption[] = "--date";
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
        if (!argument.starts_with("--")) {
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
        if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) {
            command.message = arguments[++i];
            if (!survivesCp932(command.message)) {
                return refused(kMessageCp932Message, 1);
            }
        }
    }
    if (chosen > 1) {
        return refused("オプションは一つだけ指定できます", 2);
    }
    if (dated && command.command != TerminalCommand::List) {
        return refused("--date は --list と一緒に指定してください", 2);
    }
    return command;
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
