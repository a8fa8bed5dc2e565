#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/LocalTime.h"

#include <optional>
#include <string>

namespace kvx {

// Finds the next bell for the tray icon's tooltip: every alarm ringing today
// offers its ring moment of today; when none is ahead, every alarm ringing
// tomorrow offers its moment of tomorrow. Returns the tooltip text, or nullopt
// when `nextRingAt` is still unset and the tooltip keeps its text. The caller
// cuts the text to the icon's limit.
// `real`, when given, is now on the real clock: the countdown counts real
// time across a change of the clocks, and a bell the change skips is shown
// at the time it rings (the end of the gap).
struct RealNow {
    const LocalTime& local;
    long long epochMs;
};
std::optional<std::string> nextAlarmTooltip(
    const AlarmTable& table, OleDate now, OleDate& nextRingAt, const RealNow* real = nullptr);
// The same, also telling which alarm rings then (-1 while none is known).
std::optional<std::string> nextAlarmTooltip(const AlarmTable& table, OleDate now, OleDate& nextRingAt,
    int& alarmIndex, const RealNow* real = nullptr);

// The tooltip for a known next bell: "あと1時間5分3秒 本日14:30", "アラーム中本日14:30"
// within its last second, "２４時間中のアラームはありません" a day or more ahead.
std::string nextAlarmText(OleDate nextRingAt, OleDate now, const RealNow* real = nullptr);

} // namespace kvx
