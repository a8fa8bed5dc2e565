#include "resident/AboutBox.h"

#include "ResidentFixture.h"
#include "resident/Version.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace kvx {
namespace {

TEST_F(ResidentTest, AboutBoxShowsTheVersionAndStartsSystemInformation)
{
    start();
    m_resident->menuAction("mver")->trigger();
    AboutBox* about = m_resident->aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("Kalvendorixのﾊﾞｰｼﾞｮﾝ情報"));
    // The project's version, as CMake writes it, and nothing else.
    EXPECT_EQ(
        about->findChild<QLabel*>("lblVersion")->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + KVX_PROJECT_VERSION);
    EXPECT_STREQ(kVersionText, KVX_PROJECT_VERSION);
    EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Kalvendorix"));

    auto* sysInfo = about->findChild<QPushButton*>("cmdSysInfo");
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    EXPECT_EQ(m_launcher.systemInformationRequests(), 1);
    EXPECT_TRUE(m_prompter.messages().isEmpty());

    m_launcher.setSystemInformationAvailable(false);
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    EXPECT_EQ(m_prompter.messages(), QStringList({"現時点ではｼｽﾃﾑ情報を使用できません"}));

    QTest::mouseClick(about->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
}

} // namespace
} // namespace kvx
