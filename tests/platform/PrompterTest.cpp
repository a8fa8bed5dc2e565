#include "platform/Prompter.h"

#include "doubles/FakePrompter.h"
#include "platform/QtTranslations.h"
#include "support/QtPrinters.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QtTest/QTest>

#include <gtest/gtest.h>
#include <memory>

namespace kvx {
namespace {

struct SeenBox {
    bool found = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Once the box is up, notes what it shows and answers it.
void answerNextBox(SeenBox& seen, const std::function<void(QMessageBox&)>& answer)
{
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        seen = {true, box->icon(), box->windowTitle(), box->text(), box->standardButtons()};
        answer(*box);
    });
}

void click(QMessageBox& box, QMessageBox::StandardButton button)
{
    box.button(button)->click();
}

TEST(MessageBoxPrompter, QuestionsGoAheadOnlyOnOk)
{
    struct Row {
        const char* name;
        std::function<void(QMessageBox&)> answer;
        bool goesAhead;
    };
    const Row rows[] = {
        {"OK", [](QMessageBox& box) { click(box, QMessageBox::Ok); }, true},
        {"Cancel", [](QMessageBox& box) { click(box, QMessageBox::Cancel); }, false},
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, false},
        {"Enter takes the default OK", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, true},
    };
    MessageBoxPrompter prompter;
    for (const Row& row : rows) {
        SeenBox seen;
        answerNextBox(seen, row.answer);
        EXPECT_EQ(prompter.question(QStringLiteral("削除しますか？"), nullptr), row.goesAhead) << row.name;
        ASSERT_TRUE(seen.found) << row.name;
        EXPECT_EQ(seen.icon, QMessageBox::Warning) << row.name;
        EXPECT_EQ(seen.title, QStringLiteral("Kalvendorix")) << row.name;
        EXPECT_EQ(seen.text, QStringLiteral("削除しますか？")) << row.name;
        EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel) << row.name;
    }
}

TEST(MessageBoxPrompter, MessagesHaveAWarningIconAndOkOnly)
{
    MessageBoxPrompter prompter;
    SeenBox seen;
    answerNextBox(seen, [](QMessageBox& box) { click(box, QMessageBox::Ok); });
    prompter.message(QStringLiteral("ログはまだ作成されていません"), nullptr);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.title, QStringLiteral("Kalvendorix"));
    EXPECT_EQ(seen.text, QStringLiteral("ログはまだ作成されていません"));
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(FakePrompter, AnswersFromItsScriptThenTheDefault)
{
    struct Row {
        const char* name;
        std::vector<bool> script;
        std::optional<bool> defaultAnswer;
        std::vector<bool> answers;
    };
    const Row rows[] = {
        {"no script answers OK", {}, std::nullopt, {true, true}},
        {"scripted answers in order", {false, true}, std::nullopt, {false, true, true}},
        {"default answer Cancel after the script", {true}, false, {true, false, false}},
    };
    for (const Row& row : rows) {
        FakePrompter prompter;
        for (const bool answer : row.script) {
            prompter.queueAnswer(answer);
        }
        if (row.defaultAnswer) {
            prompter.setDefaultAnswer(*row.defaultAnswer);
        }
        std::vector<bool> answers;
        for (std::size_t i = 0; i < row.answers.size(); ++i) {
            answers.push_back(prompter.question(QStringLiteral("q%1").arg(i)));
        }
        EXPECT_EQ(answers, row.answers) << row.name;
        EXPECT_EQ(prompter.questions().size(), static_cast<qsizetype>(row.answers.size())) << row.name;
    }
}

TEST(FakePrompter, RecordsTextsInTheOrderShown)
{
    FakePrompter prompter;
    prompter.message(QStringLiteral("一"));
    prompter.question(QStringLiteral("二"));
    prompter.message(QStringLiteral("三"));
    EXPECT_EQ(prompter.shown(), QStringList({"一", "二", "三"}));
    EXPECT_EQ(prompter.messages(), QStringList({"一", "三"}));
    EXPECT_EQ(prompter.questions(), QStringList({"二"}));
    prompter.clear();
    EXPECT_TRUE(prompter.shown().isEmpty());
}

// Qt's own button texts come from its Japanese translation; the program's
// title and question stay as they are.
TEST(MessageBoxPrompter, QtsOwnButtonsSpeakJapanese)
{
    std::unique_ptr<QTranslator> translator(installQtTranslations());
    ASSERT_TRUE(translator) << "qtbase_ja.qm was not found among Qt's translations";
    QStringList texts;
    QTimer::singleShot(0, [&texts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box) {
            texts = {box->button(QMessageBox::Ok)->text(), box->button(QMessageBox::Cancel)->text(),
                box->windowTitle()};
            box->button(QMessageBox::Cancel)->click();
        }
    });
    EXPECT_FALSE(MessageBoxPrompter().question(QStringLiteral("削除しますか？"), nullptr));
    EXPECT_EQ(texts,
        QStringList({QStringLiteral("OK"), QStringLiteral("キャンセル"), QStringLiteral("Kalvendorix")}));

    QMessageBox box(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
}

} // namespace
} // namespace kvx
