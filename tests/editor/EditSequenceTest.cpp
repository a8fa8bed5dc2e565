#include "EditorFixture.h"

#include <QCryptographicHash>
#include <QFile>

namespace kvx {
namespace {

// A fixed sequence of edits in the editor (an add, a change, a delete, a
// quick timer, a rota name) and a memo, saved by ＯＫ and by the exit, gives a
// data file of exactly these bytes, whoever inside the program does the work.
TEST_F(EditorTest, AFixedSequenceOfEditsWritesTheSameFile)
{
    startWith({dailyAt(7, 0, "朝会"), dailyAt(12, 0, "昼休み")});
    setTimes("0930", "1000");
    click("Option6");
    edit("Text6")->setText(QStringLiteral("会議室Ｂ"));
    m_desktop.prompter.setDefaultAnswer(true);
    click("Command5");
    clickRow(0);
    edit("Text6")->setText(QStringLiteral("朝会（変更）"));
    click("Command6");
    selectRows({1});
    click("Command7");
    auto* quick = get<QComboBox>("Combo2");
    quick->setCurrentIndex(2);
    emit quick->activated(2);
    click("Command8");
    m_app->store().changeMemos([](MemoLists& memos) {
        memos.lists[MemoLists::kContact] = {"田中さんに電話", ""};
    });
    m_app->resident().exitSequence();

    QFile file(QString::fromStdString(m_app->settings().dataPath()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, m_app->settings().dataPath(), {}));
    std::vector<std::string> messages;
    messages.reserve(static_cast<std::size_t>(saved.alarms.alarmCount));
    for (int i = 0; i < saved.alarms.alarmCount; ++i) {
        messages.push_back(saved.alarms.alarms[static_cast<std::size_t>(i)].message);
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"朝会（変更）", "昼休み", "クイックタイマー"}));
    EXPECT_EQ(bytes.size(), 478);
    EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString(),
        "ec85ec3d679bd717e42c8625a790085baf92571f4ce21e8c9691e5162d8300d2");
}

} // namespace
} // namespace kvx
