#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <QByteArray>
#include <QDateTime>

#include <string>

namespace kvx::test {

OleDate oleDateOf(const QDateTime& time);

// A user's ordinary data: a few alarms with Japanese texts, fonts and sound
// paths, periodic schedules and all three memo lists. None of the alarms can
// ring on the day `today` (an alarm that rang would change what a round trip
// through the program gives back).
SharedTables everydayTables(OleDate today);

// `count` alarms of every kind spread over the day, all of them done for
// `today`, so that a resident program scans them every second without ringing.
SharedTables manyAlarmTables(int count, OleDate today);

// A daily alarm at the minute of `at` that has never rung, with an endless
// sound from `soundFile` and a window that stays shown.
AlarmRecord dailyAlarm(OleDate at, const std::string& soundFile);

// Tomorrow at 7:00 in a program's faked clock, which starts `leadSeconds`
// before that minute: the everyday data and, after it, a daily alarm at that
// minute sounding `soundFile`.
struct DueAlarm {
    QDateTime minute;
    qint64 offset = 0; // seconds from the real clock to the program's
    SharedTables tables;
    int index = 0; // of the due alarm in `tables`

    QDateTime programNow() const { return QDateTime::currentDateTime().addSecs(offset); }
};
DueAlarm dueAlarmTomorrow(int leadSeconds, const std::string& soundFile);

// The bytes of the file at `path`; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// A 16-bit mono PCM wave file holding a quiet tone of `ms` milliseconds.
QByteArray waveBytes(int ms);

} // namespace kvx::test
