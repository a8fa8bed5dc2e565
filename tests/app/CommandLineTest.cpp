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

} // namespace
} // namespace kvx
