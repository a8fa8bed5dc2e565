#include "schedule/NextAlarm.h"

#include "schedule/Recurrence.h"

#include <algorithm>
#include <cmath>

namespace kvx {

namespace {

constexpr long long kMillisecondsPerDay = 86400LL * 1000;

// The alarm whose offer was taken last is the one that rings at `nextRingAt`.
void offerDay(
    const AlarmTable& table, std::chrono::sys_days day, OleDate now, OleDate& nextRingAt, int& alarmIndex)
{
    const OleDate date = OleDate::fromDay(day);
    for (int i = 0; i < table.alarmCount; ++i) {
        const AlarmRecord& item = table.alarms[static_cast<std::size_t>(i)];
        if (ringsOn(item, date)) {
            const OleDate before = nextRingAt;
            offerRingOn(item, day, now, nextRingAt);
            if (nextRingAt != before) {
                alarmIndex = i;
            }
        }
    }
}

// "1時間5分3秒": each part only when it is not zero.
std::string countdown(long long seconds)
{
    const long long parts[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
    const char* units[] = {"時間", "分", "秒"};
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (parts[i] != 0) {
            text += std::to_string(parts[i]) + units[i];
        }
    }
    return text;
}

} // namespace

std::optional<std::string> nextAlarmTooltip(
    const AlarmTable& table, OleDate now, OleDate& nextRingAt, const RealNow* real)
{
    int alarmIndex = -1;
    return nextAlarmTooltip(table, now, nextRingAt, alarmIndex, real);
}

std::optional<std::string> nextAlarmTooltip(
    const AlarmTable& table, OleDate now, OleDate& nextRingAt, int& alarmIndex, const RealNow* real)
{
    const auto today = now.day();
    offerDay(table, today, now, nextRingAt, alarmIndex);
    if (nextRingAt.isZero()) {
        offerDay(table, today + std::chrono::days{1}, now, nextRingAt, alarmIndex);
    }
    if (nextRingAt.isZero()) {
        return std::nullopt;
    }
    return nextAlarmText(nextRingAt, now, real);
}

std::string nextAlarmText(OleDate nextRingAt, OleDate now, const RealNow* real)
{
    // Milliseconds first, so that float noise cannot cost a whole second.
    long long ms
        = std::llround((nextRingAt.value() - now.value()) * static_cast<double>(kMillisecondsPerDay));
    if (real != nullptr) {
        const long long ringsAt = real->local.instantOf(nextRingAt);
        ms = ringsAt * 1000 - real->epochMs;
        nextRingAt = real->local.wallAt(ringsAt);
    }
    if (ms >= kMillisecondsPerDay) {
        return "２４時間中のアラームはありません";
    }
    const std::string left = countdown(std::max(0LL, ms) / 1000);
    std::string text = left.empty() ? "アラーム中" : "あと" + left + " ";
    text += nextRingAt.day() == now.day() ? "本日" : "明日";
    text += nextRingAt.formatTime();
    return text;
}

} // namespace kvx
