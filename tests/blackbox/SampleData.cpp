#include "tests/blackbox/SampleData.h"

#include "tests/support/WaveFile.h"

#include <QFile>

namespace kvx::test {

namespace {

AlarmRecord plainAlarm(std::int16_t kind, OleDate start, std::string message)
{
    AlarmRecord alarm;
    alarm.startTime = start;
    alarm.endTime = start.plusSeconds(30 * 60);
    alarm.kind = kind;
    alarm.message = std::move(message);
    alarm.midiVolume = -2147450880; // half volume in both halves
    alarm.waveVolume = -2147450880;
    alarm.keepWindow = 1;
    alarm.blinkCount = 10;
    alarm.backColor = kButtonFaceColor;
    alarm.fontName = kDefaultFontName;
    alarm.fontSize = 12;
    alarm.fontBold = -1;
    alarm.textColorIndex = 7;
    alarm.backColorIndex = 5;
    return alarm;
}

} // namespace

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

OleDate oleDateOf(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return OleDate::fromCivil(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

SharedTables everydayTables(OleDate today)
{
    const OleDate midnight = today.dateOnly();
    const OleDate nextYear = midnight.plusDays(365);
    SharedTables tables;

    AlarmRecord dentist
        = plainAlarm(kKindOnce, nextYear.plusSeconds(9 * 3600), "歯医者の予約\r\n保険証を持参");
    dentist.fontName = "ＭＳ 明朝";
    dentist.fontSize = 18;
    dentist.textColor = 255;
    dentist.backColor = 16776960;
    dentist.sound = 1;
    dentist.soundFile = "/home/利用者/音/チャイム.wav";
    tables.alarms.add(dentist);

    // Daily and weekly alarms ring only from their start date on.
    AlarmRecord stretch
        = plainAlarm(kKindDaily, midnight.plusDays(30).plusSeconds(7 * 3600 + 30 * 60), "朝のストレッチ");
    stretch.blink = 1;
    stretch.blinkCount = 3;
    tables.alarms.add(stretch);
    AlarmRecord rubbish
        = plainAlarm(kKindWeekly, midnight.plusDays(40).plusSeconds(8 * 3600), "ゴミ出し（燃えるゴミ）");
    rubbish.weekdayMask = kMonday | kSunday;
    tables.alarms.add(rubbish);

    // Kinds 6 to 11 follow their weekday tests alone; a last ring in the future
    // keeps them quiet.
    AlarmRecord meeting = plainAlarm(kKindFirstWeek, midnight.plusSeconds(10 * 3600), "定例会議 ｶｲｷﾞｼﾂA");
    meeting.weekdayMask = kTuesday | kFriday;
    meeting.preMode = kPreAndMain;
    meeting.preMinutes = 90;
    meeting.lastAlarm = nextYear;
    meeting.lastPreAlarm = nextYear;
    meeting.fontItalic = -1;
    meeting.fontUnderline = -1;
    tables.alarms.add(meeting);

    AlarmRecord noodles = plainAlarm(kKindQuick, midnight.plusDays(-1).plusSeconds(12 * 3600), "ｶｯﾌﾟ麺 3分");
    noodles.lastAlarm = noodles.startTime;
    tables.alarms.add(noodles);

    tables.routines.routineCount = 3;
    tables.routines.routineStart = midnight.plusDays(-10);
    tables.routines.routineNames = {"早番", "遅番", "休み", ""};

    tables.memos.lists[MemoLists::kMemo] = {"牛乳を買う", "電話: 03-1234-5678", ""};
    tables.memos.lists[MemoLists::kContact] = {"田中さんへ連絡（見積書）", ""};
    tables.memos.lists[MemoLists::kPurchase] = {"単三電池", "ﾌｨﾙﾑ", "～予備～", ""};
    return tables;
}

SharedTables manyAlarmTables(int count, OleDate today)
{
    static const std::int16_t kKinds[] = {kKindMonthly, kKindWeekly, kKindDaily, kKindOnce, kKindQuick,
        kKindFortnightly, kKindFirstWeek, kKindSecondWeek, kKindThirdWeek, kKindFourthWeek, kKindFifthWeek};
    const OleDate midnight = today.dateOnly();
    SharedTables tables;
    for (int i = 0; i < count; ++i) {
        const std::int16_t kind = kKinds[i % std::size(kKinds)];
        const OleDate start = midnight.plusDays(-(i % 60)).plusSeconds((i * 7 % 1440) * 60LL);
        AlarmRecord alarm = plainAlarm(kind, start, "アラーム " + std::to_string(i + 1) + " 番");
        alarm.weekdayMask = static_cast<std::int16_t>(1 + i % 127);
        alarm.preMode = static_cast<std::int16_t>(i % 3);
        alarm.preMinutes = static_cast<std::int16_t>(i % 120);
        // Rung already today: neither bell is due again before tomorrow.
        alarm.lastAlarm = midnight;
        alarm.lastPreAlarm = midnight;
        tables.alarms.add(alarm);
    }
    return tables;
}

AlarmRecord dailyAlarm(OleDate at, const std::string& soundFile)
{
    const OleDate minute = at.dateOnly().plusSeconds(at.minuteOfDay() * 60LL);
    AlarmRecord alarm = plainAlarm(kKindDaily, minute, "起床の時間です\r\nおはようございます");
    alarm.sound = 1;
    alarm.soundFile = soundFile;
    alarm.endless = 1;
    return alarm;
}

DueAlarm dueAlarmTomorrow(int leadSeconds, const std::string& soundFile)
{
    DueAlarm due;
    due.minute = QDateTime(QDate::currentDate().addDays(1), QTime(7, 0));
    due.offset = QDateTime::currentDateTime().secsTo(due.minute) - leadSeconds;
    due.tables = everydayTables(oleDateOf(due.minute));
    due.index = due.tables.alarms.alarmCount;
    due.tables.alarms.add(dailyAlarm(oleDateOf(due.minute), soundFile));
    return due;
}

QByteArray waveBytes(int ms)
{
    return test::waveBytes(ms, 660.0, 4000.0);
}

} // namespace kvx::test
