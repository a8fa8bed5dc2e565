#include "core/DataFile.h"
#include "tests/blackbox/SampleData.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// "--write-data-file PATH COUNT [HH:MM [SOUND]]" writes a data file of COUNT
// alarms, none of them due today, for the measurements under bench/; with a
// time, a daily alarm at that minute follows them, with SOUND as its endless
// sound when given. "Today" is KVX_WRITER_DATE (yyyy-MM-dd) when set, so
// that two writes a midnight apart still write the same bytes.
int writeDataFile(int argc, char** argv)
{
    const int count = std::atoi(argv[3]);
    // A full table, or one short of full when the daily alarm follows.
    if (count < 0 || count > kvx::AlarmTable::kMaxAlarms - (argc > 4 ? 1 : 0)) {
        std::fprintf(stderr, "alarm count out of range: %s\n", argv[3]);
        return 2;
    }
    QDateTime now = QDateTime::currentDateTime();
    if (const QDate date = QDate::fromString(qEnvironmentVariable("KVX_WRITER_DATE"), Qt::ISODate);
        date.isValid()) {
        now.setDate(date);
    }
    kvx::SharedTables tables = kvx::test::manyAlarmTables(count, kvx::test::oleDateOf(now));
    if (argc > 4) {
        const QTime time = QTime::fromString(QString::fromLocal8Bit(argv[4]), QStringLiteral("HH:mm"));
        if (!time.isValid()) {
            std::fprintf(stderr, "not a time of day: %s\n", argv[4]);
            return 2;
        }
        kvx::AlarmRecord alarm = kvx::test::dailyAlarm(
            kvx::test::oleDateOf(QDateTime(now.date(), time)), argc > 5 ? argv[5] : "");
        alarm.sound = argc > 5 ? 1 : 0;
        tables.alarms.add(alarm);
    }
    kvx::DataFile file;
    if (!file.save(tables, argv[2], kvx::test::oleDateOf(now))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

// "--last-ring PATH" prints when the last alarm of a data file last rang its
// main bell, "yyyy/mm/dd hh:nn:ss", for bench/ring_latency.sh.
int printLastRing(const char* path)
{
    kvx::SharedTables tables;
    kvx::DataFile file;
    if (!file.load(tables, path, kvx::LoadContext{}) || tables.alarms.alarmCount < 1) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    const kvx::OleDate last
        = tables.alarms.alarms[static_cast<std::size_t>(tables.alarms.alarmCount - 1)].lastAlarm;
    std::printf("%s:%02d\n", last.formatDateTime().c_str(), last.second());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && argc <= 6 && std::strcmp(argv[1], "--write-data-file") == 0) {
        return writeDataFile(argc, argv);
    }
    if (argc == 3 && std::strcmp(argv[1], "--last-ring") == 0) {
        return printLastRing(argv[2]);
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
