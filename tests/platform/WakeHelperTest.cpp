#include "platform/HelperWakeAlarm.h"

#include <QProcess>

#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace kvx {
namespace {

// The helper takes an instant or "off", one a line, and nothing else; it ends
// with its input. Without CAP_WAKE_ALARM (an ordinary user's build) it ends at
// once, saying why.
TEST(WakeHelper, TakesOnlyInstantsOrOffAndEndsWithItsInput)
{
    QProcess helper;
    helper.start(QStringLiteral(KVX_WAKE_HELPER), {});
    ASSERT_TRUE(helper.waitForStarted());
    const std::string soon = std::to_string(std::time(nullptr) + 3600);
    helper.write(QByteArray::fromStdString("abc\n12x\n-5\n 7\n\n123456789012345678901\n"
                                           "0\noff\n"
        + soon + "\n" + std::string(100, '9') + "\noff\n"));
    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(5000));
    const QByteArray answers = helper.readAllStandardOutput();
    if (answers.isEmpty()) {
        EXPECT_EQ(helper.exitCode(), 3);
        EXPECT_EQ(helper.readAllStandardError().trimmed(), QByteArray("Operation not permitted"));
        return;
    }
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_EQ(answers.toStdString(),
        "ready\nrefused\nrefused\nrefused\nrefused\nrefused\nrefused\nrefused\noff\narmed\nrefused\noff\n");
}

TEST(WakeHelper, AMissingHelperIsToldAndNothingRuns)
{
    HelperWakeAlarm wake({QStringLiteral("/nonexistent/kalvendorix-wake")});
    const std::optional<QString> why = wake.start();
    ASSERT_TRUE(why.has_value());
    EXPECT_EQ(*why,
        QStringLiteral(
            "この環境ではスリープから起こせません：補助プログラム kalvendorix-wake が見つかりません"));
    EXPECT_FALSE(wake.running());
    wake.arm(12345);
    EXPECT_EQ(wake.processId(), 0);
}

} // namespace
} // namespace kvx
