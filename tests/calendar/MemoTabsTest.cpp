#include "calendar/MemoTabs.h"

#include "CalendarFixture.h"
#include "calendar/MemoListModel.h"
#include "core/Cp932.h"
#include "core/WholeFile.h"
#include "schedule/Memos.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>

namespace kvx {
namespace {

class MemoTabsTest : public CalendarWindowTest {
public:
    MemoTabs* tabs() const { return m_window->memoTabs(); }
    void trigger(const char* name) const
    {
        tabs()->menu()->findChild<QAction*>(QLatin1String(name))->trigger();
    }
    const std::vector<std::string>& list(int category) const
    {
        return m_tables.memos.lists[static_cast<std::size_t>(category)];
    }
    void setMemo(int category, std::size_t row, const std::string& text)
    {
        m_store.changeMemos(
            [&](MemoLists& memos) { memos.lists[static_cast<std::size_t>(category)][row] = text; });
    }
    void choose(int category, int row) const
    {
        tabs()->setCurrentIndex(category);
        tabs()->setCurrentRow(row);
    }
    std::string log() const
    {
        std::string bytes;
        readWholeFile(m_settings.logFile(), bytes, 1 << 20);
        return fromCp932(bytes);
    }
    // The edit window that is open, if any.
    static QDialog* editWindow()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("Form6") && widget->isVisible()) {
                return qobject_cast<QDialog*>(widget);
            }
        }
        return nullptr;
    }
    static void confirmEdit(const QString& text)
    {
        QDialog* editor = editWindow();
        ASSERT_NE(editor, nullptr);
        auto* box = editor->findChild<QLineEdit*>(QStringLiteral("Text1"));
        // Japanese text comes in through the input method, as one insertion.
        box->selectAll();
        box->insert(text);
        QTest::mouseClick(editor->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        EXPECT_EQ(editWindow(), nullptr);
    }
};

TEST_F(MemoTabsTest, ThreeListsOfAtLeastTwentyRowsOverTheTables)
{
    m_store.changeMemos([](MemoLists& memos) { memos.lists[MemoLists::kContact] = {"田中さんに電話", ""}; });
    open();
    const std::array<const char*, 3> captions = {"メモ", "連絡", "購入"};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(tabs()->tabText(c), QString::fromUtf8(captions[static_cast<std::size_t>(c)]));
        MemoListModel* model = tabs()->model(c);
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Warning);
        EXPECT_EQ(model->rowCount(), c == 1 ? 1 : 20);
        EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("内容"));
        EXPECT_EQ(
            get<QTableView>(QStringLiteral("MSGrid2_%1").arg(c).toLatin1().constData())->model(), model);
    }
    EXPECT_EQ(tabs()->model(1)->text(0), QStringLiteral("田中さんに電話"));
    EXPECT_EQ(tabs()->grid(0)->palette().color(QPalette::Base), QColor(255, 255, 206));
    EXPECT_EQ(tabs()->currentRow(), 0);
}

// The edit window writes to the memo it was opened for, wherever the user
// clicked meanwhile; a memo peeled off meanwhile comes back as a new one.
TEST_F(MemoTabsTest, TheEditWindowKeepsItsCategoryAndRow)
{
    open();
    choose(MemoLists::kMemo, 2);
    setMemo(MemoLists::kMemo, 2, "古い");
    trigger("m_grid2_edit");
    ASSERT_NE(editWindow(), nullptr);
    EXPECT_EQ(editWindow()->windowTitle(), QStringLiteral("メモ"));
    EXPECT_EQ(
        editWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->selectedText(), QStringLiteral("古い"));
    choose(MemoLists::kPurchase, 5);
    confirmEdit(QStringLiteral("歯医者"));
    EXPECT_EQ(list(MemoLists::kMemo)[2], "歯医者");
    EXPECT_EQ(list(MemoLists::kPurchase)[5], "");

    // A new memo: row 21, peeled off (removed) before its window is confirmed.
    trigger("m_grid2_new");
    EXPECT_EQ(editWindow()->windowTitle(), QStringLiteral("購入"));
    EXPECT_EQ(tabs()->currentRow(), 20);
    EXPECT_EQ(tabs()->model(MemoLists::kPurchase)->rowCount(), 21);
    EXPECT_TRUE(tabs()->peelCurrent());
    EXPECT_EQ(tabs()->model(MemoLists::kPurchase)->rowCount(), 20);
    confirmEdit(QStringLiteral("牛乳"));
    EXPECT_EQ(memoCount(m_tables.memos, MemoLists::kPurchase), 21);
    EXPECT_EQ(list(MemoLists::kPurchase)[20], "牛乳");

    // A double click opens one edit window; its close box hands the text back too.
    choose(MemoLists::kContact, 0);
    QTableView* contacts = tabs()->grid(MemoLists::kContact);
    QTest::mouseClick(contacts->viewport(), Qt::LeftButton, {},
        contacts->visualRect(contacts->model()->index(0, 0)).center());
    QTest::mouseDClick(contacts->viewport(), Qt::LeftButton, {},
        contacts->visualRect(contacts->model()->index(0, 0)).center());
    int open = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        open += widget->objectName() == QLatin1String("Form6") && widget->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(open, 1);
    editWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->insert(QStringLiteral("返事"));
    editWindow()->close();
    EXPECT_EQ(list(MemoLists::kContact)[0], "返事");
}

TEST_F(MemoTabsTest, PeelingLogsTheMemoAndAFailedLogKeepsIt)
{
    m_clock.setNow(QDateTime(QDate(2026, 3, 7), QTime(18, 5, 9)));
    open();
    setMemo(MemoLists::kPurchase, 4, "牛乳");
    choose(MemoLists::kPurchase, 4);
    trigger("m_grid2_delete");
    EXPECT_EQ(list(MemoLists::kPurchase)[4], "");
    EXPECT_EQ(log(), "<購入>[はがした日時=26/03/07 18:05:09]\r\n牛乳\r\n\r\n\r\n");

    // A folder where the log should be: nothing can be appended.
    setMemo(MemoLists::kPurchase, 4, "卵");
    QFile::remove(QString::fromStdString(m_settings.logFile()));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(m_settings.logFile())));
    EXPECT_FALSE(tabs()->peelCurrent());
    EXPECT_EQ(list(MemoLists::kPurchase)[4], "卵");
    ASSERT_EQ(m_prompter.messages().size(), 1);
    const QStringList lines = m_prompter.messages().front().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("ログファイルに書き込めませんでした。メモは削除していません。"));
    EXPECT_EQ(lines.value(1), QString::fromStdString(m_settings.logFile()));
}

TEST_F(MemoTabsTest, HandOverToTheStickyNoteProgram)
{
    struct Row {
        const char* port;
        std::int16_t copyAction;
        const char* failure;
        bool sent;
        bool peeled;
    };
    for (const Row row : {Row{"", 1, "", false, false}, Row{"12a", 2, "", false, false},
             Row{"-80", 1, "", false, false}, Row{"5000", 1, "", true, false},
             Row{"５０００", 2, "", true, true}, Row{"5000", 2, "Network unreachable", true, false}}) {
        m_store.changeMemos([](MemoLists& memos) { memos = {}; });
        m_datagrams.sent.clear();
        m_datagrams.failure = QString::fromUtf8(row.failure);
        m_prompter.clear();
        m_store.window().portNumber = row.port;
        m_store.window().copyAction = row.copyAction;
        open();
        setMemo(MemoLists::kMemo, 0, "買い物:牛乳");
        trigger("m_grid2_nuura");
        ASSERT_EQ(m_datagrams.sent.size(), row.sent ? 1U : 0U) << row.port;
        if (row.sent) {
            EXPECT_EQ(m_datagrams.sent[0].port, 5000);
            EXPECT_EQ(m_datagrams.sent[0].bytes.toStdString(),
                toCp932("NUURA:FORMSEND:00000004005:00000000325:10027007:00000000006:買い物:牛乳"));
        }
        EXPECT_EQ(list(MemoLists::kMemo)[0].empty(), row.peeled) << row.port << " " << row.copyAction;
        EXPECT_EQ(m_prompter.messages().size(), *row.failure != 0 ? 1 : 0) << row.port;
    }
}

// Shift and the left button drag the memo out; with copy and peel, a drag
// that was taken peels the memo off, a cancelled one leaves it.
TEST_F(MemoTabsTest, DraggingOutAndDroppingIn)
{
    struct Row {
        std::int16_t copyAction;
        Qt::DropAction result;
        bool peeled;
    };
    for (const Row row :
        {Row{1, Qt::CopyAction, false}, Row{2, Qt::CopyAction, true}, Row{2, Qt::IgnoreAction, false}}) {
        m_store.changeMemos([](MemoLists& memos) { memos = {}; });
        m_store.window().copyAction = row.copyAction;
        open();
        setMemo(MemoLists::kMemo, 1, "持ち物");
        QString dragged;
        tabs()->setDragRunner([&dragged, result = row.result](QMimeData* data, QWidget* /*source*/) {
            dragged = data->text();
            delete data;
            return result;
        });
        QTableView* grid = tabs()->grid(MemoLists::kMemo);
        const QPoint at = grid->visualRect(grid->model()->index(1, 0)).center();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
        EXPECT_EQ(dragged, QStringLiteral("持ち物"));
        EXPECT_EQ(list(MemoLists::kMemo)[1].empty(), row.peeled) << row.copyAction << " " << row.result;
    }

    // A drop lands on the first empty row followed by an empty one.
    m_store.changeMemos([](MemoLists& memos) {
        memos.lists[MemoLists::kMemo] = {"A", "", "B"};
        memos.lists[MemoLists::kMemo].resize(21);
    });
    tabs()->reload();
    QMimeData text;
    text.setText(QStringLiteral("ドロップ"));
    QTableView* grid = tabs()->grid(MemoLists::kMemo);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &drop);
    EXPECT_EQ(list(MemoLists::kMemo)[3], "ドロップ");
    EXPECT_EQ(tabs()->currentRow(), 3);
    // On a full list the text becomes row 21, scrolled into view.
    m_store.changeMemos([](MemoLists& memos) { memos.lists[MemoLists::kMemo].assign(21, "x"); });
    tabs()->reload();
    tabs()->dropText(MemoLists::kMemo, QStringLiteral("追加"));
    EXPECT_EQ(memoCount(m_tables.memos, MemoLists::kMemo), 21);
    EXPECT_EQ(tabs()->currentRow(), 20);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(20, 0))));
}

// Every save carries the memos as they stand, not only the one at exit.
TEST_F(MemoTabsTest, TheWindowsOkSavesTheMemosTypedSoFar)
{
    open();
    choose(MemoLists::kContact, 3);
    trigger("m_grid2_edit");
    confirmEdit(QStringLiteral("会議室の予約"));
    click("Command5");
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, m_settings.dataPath(), {}));
    EXPECT_EQ(saved.memos.lists[MemoLists::kContact][3], "会議室の予約");
    EXPECT_EQ(memoCount(saved.memos, MemoLists::kContact), 20);
}

} // namespace
} // namespace kvx
