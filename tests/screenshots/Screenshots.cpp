// Writes pictures of the program's windows as a user sees them, filled with a
// few sample alarms, into the folder given on the command line. Runs on the
// desktop it is started on (scripts/screenshots gives it a private X server).
#include "app/Application.h"
#include "calendar/CalendarWindow.h"
#include "calendar/DigitClock.h"
#include "calendar/MemoTabs.h"
#include "core/DataFile.h"
#include "core/Settings.h"
#include "doubles/FakeDesktop.h"
#include "editor/AlarmListModel.h"
#include "editor/EditorWindow.h"
#include "platform/AppIcons.h"
#include "platform/FontSubstitutions.h"
#include "resident/NotificationWindow.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <utility>

namespace kvx {
namespace {

AlarmRecord sampleAlarm(int kind, int hour, int minute, const char* message)
{
    AlarmRecord alarm;
    alarm.kind = static_cast<std::int16_t>(kind);
    alarm.weekdayMask = 127;
    alarm.startTime = OleDate::fromCivil(2026, 2, 1, hour, minute);
    alarm.endTime = OleDate::fromCivil(2026, 2, 1, hour + 1, minute);
    alarm.message = message;
    alarm.blinkCount = 10;
    alarm.fontName = kDefaultFontName;
    alarm.fontSize = 14;
    alarm.backColor = kButtonFaceColor;
    alarm.textColorIndex = 7;
    alarm.backColorIndex = 5;
    alarm.sound = 1;
    alarm.soundFile = "目覚まし.wav";
    alarm.preMode = kPreAndMain;
    alarm.preMinutes = 10;
    return alarm;
}

SharedTables sampleTables()
{
    SharedTables tables;
    tables.alarms.add(sampleAlarm(kKindDaily, 7, 0, "起床・ゴミ出し"));
    AlarmRecord weekly = sampleAlarm(kKindWeekly, 10, 30, "定例会議（第二会議室）");
    weekly.weekdayMask = 0b0010100;
    tables.alarms.add(weekly);
    tables.alarms.add(sampleAlarm(kKindDaily, 12, 15, "昼休み"));
    tables.alarms.add(sampleAlarm(kKindDaily, 23, 10, "就寝準備"));
    // A shift rota of four names from the first of the month; the spare slot ends it.
    tables.routines.routineCount = 4;
    tables.routines.routineStart = OleDate::fromCivil(2026, 12, 1);
    tables.routines.routineNames = {"早番", "遅番", "夜勤", "休み", ""};
    tables.memos.lists[MemoLists::kMemo] = {"図書館の本を返す（金曜まで）", "", "年賀状の住所を確認", ""};
    tables.memos.lists[MemoLists::kContact] = {"田中さんに見積もりの件で電話", "歯科：次回の予約を取る", ""};
    tables.memos.lists[MemoLists::kPurchase]
        = {"牛乳", "卵 10個", "", "電池 単3", "コーヒー豆 200g", "プリンタのインク（黒）", ""};
    return tables;
}

bool save(QWidget* widget, const QDir& folder, const QString& name)
{
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

int run(const QDir& folder)
{
    QTemporaryDir home;
    const std::string programDirectory = home.path().toStdString() + "/";
    FakeDesktop desktop(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    desktop.volumes.addDevice(VolumeDevices::Kind::Midi, QStringLiteral("Kalvendorix MIDI"), 0x20002000U);
    desktop.volumes.addDevice(VolumeDevices::Kind::Wave, QStringLiteral("内蔵オーディオ"), 0x40004000U);
    const Settings settings(programDirectory);
    settings.writeSettingToBoth("MIDINM", "Kalvendorix MIDI");
    settings.writeSettingToBoth("WAVENM", "内蔵オーディオ");
    if (!DataFile().save(sampleTables(), settings.defaultDataPath(), OleDate())) {
        std::fprintf(stderr, "screenshots: cannot write the sample data file\n");
        return 1;
    }

    Application application(programDirectory, desktop.services, desktop.dialogs);
    if (application.start() != ResidentWindow::Start::Running) {
        std::fprintf(stderr, "screenshots: the program did not start\n");
        return 1;
    }
    EditorWindow& editor = application.openEditor();
    // The lunch alarm of the day: its bar in the timetable is framed.
    editor.list()->setCurrentIndex(editor.listModel()->index(2));
    editor.loadSelectedAlarm();

    auto* tabs = editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    const char* names[] = {"editor-1-general", "editor-2-message", "editor-3-sound", "editor-4-routine",
        "editor-5-screen", "editor-6-link"};
    bool written = true;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        written = save(&editor, folder, QString::fromLatin1(names[tab])) && written;
    }
    editor.hide();

    // The calendar for February 2026, with its holidays, a rota, and days with
    // more alarms than a cell shows, in both week starts.
    desktop.clock.setNow(QDateTime(QDate(2026, 2, 10), QTime(12, 0)));
    AlarmStore& store = application.store();
    RoutineList rota = store.tables().routines;
    rota.routineCount = 3;
    rota.routineStart = OleDate::fromCivil(2026, 2, 1);
    rota.routineNames = {"早番", "遅番", "休み", ""};
    store.setRoutines(rota);
    for (const auto& [day, message] : {std::pair{11, "式典"}, std::pair{11, "会食"}, std::pair{18, "歯医者"},
             std::pair{18, "会議"}, std::pair{18, "定例"}, std::pair{23, "誕生日会"}}) {
        AlarmRecord once = sampleAlarm(kKindOnce, 10, day, message);
        once.startTime = OleDate::fromCivil(2026, 2, day, 10, day);
        once.endTime = once.startTime.plusSeconds(1800);
        store.addAlarm(once);
    }
    for (const bool monday : {false, true}) {
        store.defaults().weekStartsMonday = monday ? 1 : 0;
        CalendarWindow& calendar = application.openCalendar();
        written = save(&calendar, folder, QString::fromLatin1(monday ? "calendar-monday" : "calendar-sunday"))
            && written;
        calendar.hide();
    }
    // The purchase memos, and the clock panel enlarged three times.
    desktop.clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(18, 5, 9)));
    CalendarWindow& calendar = application.openCalendar();
    calendar.memoTabs()->setCurrentIndex(MemoLists::kPurchase);
    written = save(&calendar, folder, QStringLiteral("calendar-memos")) && written;
    // The file menu, opened under its title.
    auto* fileMenu = calendar.findChild<QMenu*>(QStringLiteral("m_file"));
    if (fileMenu != nullptr) {
        fileMenu->popup(calendar.mapToGlobal(QPoint(0, calendar.menuBar()->height())));
        QApplication::processEvents();
        written = save(fileMenu, folder, QStringLiteral("calendar-file-menu")) && written;
        fileMenu->hide();
    }
    const QPixmap clock = calendar.digitClock()->grab();
    const QString clockPath = folder.filePath(QStringLiteral("clock-panel.png"));
    written = clock.scaled(clock.size() * 3).save(clockPath) && written;
    QTextStream(stdout) << clockPath << '\n';
    calendar.hide();

    // The alarm window of a main bell, with its snooze row.
    NotificationWindow ringing;
    AlarmRecord lunch = sampleAlarm(kKindDaily, 12, 8, "昼休み：歯医者の予約を電話で取る");
    lunch.backColor = 0xC0FFFF;
    ringing.fillForAlarm(NotificationWindow::appearanceOf(lunch), true, QStringLiteral("12:15"));
    ringing.setSnoozeMinutes(10);
    ringing.present();
    written = save(&ringing, folder, QStringLiteral("alarm-window")) && written;
    ringing.hide();
    return written ? 0 : 1;
}

} // namespace
} // namespace kvx

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvendorix"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(kvx::applicationIcon());
    kvx::installFontSubstitutions();
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvx_screenshots <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "screenshots: cannot make %s\n", argv[1]);
        return 1;
    }
    return kvx::run(folder);
}
