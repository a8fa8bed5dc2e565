#include "app/CommandLine.h"

namespace kvx {

namespace {

struct Option {
    const char* name;
    std::optional<CopyRequest> request;
    const char* description;
};

const Option kOptions[] = {
    {"--open", CopyRequest::Show, "カレンダーを開く"},
    {"--new", CopyRequest::NewAlarm, "新しいアラームを作る"},
    {"--quit", CopyRequest::Quit, "終了する"},
    {"--help", std::nullopt, "この説明を表示して終わる"},
    {"--version", std::nullopt, "版を表示して終わる"},
};

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine command;
    int chosen = 0;
    for (const std::string& argument : arguments) {
        if (!argument.starts_with("--")) {
            continue;
        }
        const Option* known = nullptr;
        for (const Option& option : kOptions) {
            if (argument == option.name) {
                known = &option;
            }
        }
        if (known == nullptr) {
            command.error = "不明なオプションです: " + argument;
            return command;
        }
        ++chosen;
        command.request = known->request;
        command.help = argument == "--help";
        command.version = argument == "--version";
    }
    if (chosen > 1) {
        return CommandLine{std::nullopt, false, false, "オプションは一つだけ指定できます"};
    }
    return command;
}

std::string commandLineHelp()
{
    std::string text = "使い方: kalvendorix [オプション]\n"
                       "通知領域に常駐するアラーム時計です。すでに動いているときは、"
                       "動いている方にオプションの操作を頼んで終わります。\n\n";
    for (const Option& option : kOptions) {
        text += "  " + std::string(option.name) + std::string(12 - std::string(option.name).size(), ' ')
            + option.description + "\n";
    }
    return text;
}

} // namespace kvx
