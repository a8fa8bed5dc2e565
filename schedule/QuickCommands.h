#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

struct RealNow;

// The snooze of a ringing alarm: the minutes offered beside the notification
// window's "スヌーズ", and the choice before one is remembered ("SNOOZETIME").
inline constexpr std::array<int, 6> kSnoozeMinutes{1, 3, 5, 10, 15, 30};
inline constexpr int kDefaultSnoozeMinutes = 5;
// A stored choice that is not one of the list's comes back as the default.
int snoozeMinutesOr(int stored);

// The snooze's quick timer: due `minutes` after `now` (seconds kept), with the
// rung alarm's message, sound, volumes, blinking and appearance.
AlarmRecord snoozeRecord(const AlarmRecord& rung, OleDate now, int minutes);

// The command line's quick timer: its message (the quick timer's own when
// empty), every other field from the remembered defaults, the given volumes.
AlarmRecord quickTimerFromDefaults(const AlarmDefaults& defaults, OleDate now, int minutes,
    const std::string& message, std::int32_t midiVolume, std::int32_t waveVolume);

// The minutes of "--quick": a whole number 1..1440 written in decimal digits.
inline constexpr int kMostQuickMinutes = 1440;
inline constexpr const char* kQuickMinutesMessage = "分を、１から１４４０までの値にしてください";
std::optional<int> quickMinutes(std::string_view text);

// Why a quick timer with `message` cannot be added: the table is full, or the
// data file cannot hold the message. Nothing when it can be added.
inline constexpr const char* kMessageCp932Message
    = "メッセージに、データファイルに保存できない文字が含まれています";
std::optional<std::string> quickTimerProblem(const AlarmTable& table, const std::string& message);

inline constexpr const char* kMessageControlMessage = "メッセージに、タブ以外の制御文字は使えません";
// Why a message typed in the terminal cannot be a quick timer's: code page 932
// cannot hold it, it holds a control character other than tab, or it is
// longer than the data file holds. Nothing when it can.
std::optional<std::string> terminalMessageProblem(const std::string& message);

// A day written "YYYY-MM-DD"; nothing for any other text or a day that does not exist.
inline constexpr const char* kDateMessage = "日付を、YYYY-MM-DD の形で指定してください";
std::optional<OleDate> isoDay(std::string_view text);

// The lines of "--list": the editor list's row of each alarm (its marker and
// description), a tab and the message on one line, in display order. Every
// alarm, marked for today; or, given a day, the alarms of that day as the
// editor's day view lists them.
std::string alarmListText(
    const AlarmTable& table, bool weekStartsMonday, std::optional<OleDate> day, OleDate now);

// The line of "--next": the tooltip's text for the next bell, a tab and that
// alarm's message; "２４時間中のアラームはありません" when no bell rings
// today or tomorrow.
std::string nextAlarmLine(const AlarmTable& table, OleDate now, const RealNow* real = nullptr);

} // namespace kvx
