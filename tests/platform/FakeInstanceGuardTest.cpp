#include "doubles/FakeInstanceGuard.h"

#include <gtest/gtest.h>
#include <vector>

namespace kvx {
namespace {

TEST(FakeInstanceGuard, AnswersFromItsScriptThenRepeatsTheLastAnswer)
{
    struct Row {
        const char* name;
        std::vector<bool> script;
        std::vector<bool> answers;
    };
    const Row rows[] = {
        {"no script: none running", {}, {false, false}},
        {"running, then gone", {true, false}, {true, false, false}},
        {"running for good", {true}, {true, true, true}},
    };
    for (const Row& row : rows) {
        FakeInstanceGuard guard;
        for (const bool running : row.script) {
            guard.queueAnswer(running);
        }
        std::vector<bool> answers;
        for (std::size_t i = 0; i < row.answers.size(); ++i) {
            answers.push_back(guard.anotherCopyRunning());
        }
        EXPECT_EQ(answers, row.answers) << row.name;
        EXPECT_EQ(guard.askCount(), static_cast<int>(row.answers.size())) << row.name;
    }
    FakeInstanceGuard guard{true, false};
    EXPECT_TRUE(guard.anotherCopyRunning());
    guard.release();
    EXPECT_EQ(guard.releaseCount(), 1);
}

} // namespace
} // namespace kvx
