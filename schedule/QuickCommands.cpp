#include "schedule/QuickCommands.h"

#include "core/Cp932.h"
#include "core/DataFileCodec.h"
#include "schedule/AlarmRows.h"
#include "schedule/DisplayOrder.h"
#include "schedule/EditorDraft.h"
#include "schedule/NewAlarm.h"
#include "schedule/NextAlarm.h"

#include <algorithm>
#include <charconv>

namespace kvx {

namespace {

// A message on one line of the terminal: its line breaks and tabs as spaces.
std::string oneLine(const std::string& message)
{
    std::string line;
    line.reserve(message.size());
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            continue;
        }
        line += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    }
    return line;
}

std::optional<int> decimal(std::string_view text)
{
    int value = 0;
    if (text.empty() || text.size() > 9
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

int snoozeMinutesOr(int stored)
{
    return std::find(kSnoozeMinutes.begin(), kSnoozeMinutes.end(), stored) != kSnoozeMinutes.end()
        ? stored
        : kDefaultSnoozeMinutes;
}

AlarmRecord snoozeRecord(const AlarmRecord& rung, OleDate now, int minutes)
{
    return quickTimerRecord(rung, now, minutes, rung.message);
}

AlarmRecord quickTimerFromDefaults(const AlarmDefaults& defaults, OleDate now, int minutes,
    const std::string& message, std::int32_t midiVolume, std::int32_t waveVolume)
{
    EditorDraft fields = newAlarmDraft(defaults, now, now);
    fields.midiVolume = midiVolume;
    fields.waveVolume = waveVolume;
    return quickTimerRecord(
        recordFromDraft(fields, {}, false), now, minutes, message.empty() ? kQuickTimerMessage : message);
}

std::optional<int> quickMinutes(std::string_view text)
{
    const std::optional<int> minutes = decimal(text);
    if (!minutes || *minutes < 1 || *minutes > kMostQuickMinutes) {
        return std::nullopt;
    }
    return minutes;
}

std::optional<std::string> quickTimerProblem(const AlarmTable& table, const std::string& message)
{
    if (table.alarmCount >= AlarmTable::kMaxAlarms) {
        return kTableFullMessage;
    }
    if (!survivesCp932(message)) {
        return kMessageCp932Message;
    }
    return std::nullopt;
}

std::optional<std::string> terminalMessageProblem(const std::string& message)
{
    if (!survivesCp932(message)) {
        return kMessageCp932Message;
    }
    const bool controls = std::ranges::any_of(message, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
    if (controls) {
        return kMessageControlMessage;
    }
    if (!fitsDataFile(message)) {
        return kLongMessageMessage;
    }
    return std::nullopt;
}

std::optional<OleDate> isoDay(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const std::optional<int> year = decimal(text.substr(0, 4));
    const std::optional<int> month = decimal(text.substr(5, 2));
    const std::optional<int> day = decimal(text.substr(8, 2));
    if (!year || !month || !day || *year < 100) {
        return std::nullopt;
    }
    const std::chrono::year_month_day civil{std::chrono::year{*year},
        std::chrono::month{static_cast<unsigned>(*month)}, std::chrono::day{static_cast<unsigned>(*day)}};
    if (!civil.ok()) {
        return std::nullopt;
    }
    return OleDate::fromDay(std::chrono::sys_days{civil});
}

std::string alarmListText(
    const AlarmTable& table, bool weekStartsMonday, std::optional<OleDate> day, OleDate now)
{
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    OleDate nextRingAt;
    std::vector<int> dayRowMap;
    const std::vector<EditorRow> rows
        = editorListRows(table, order, day ? EditorView::Day : EditorView::AllAlarms,
            day.value_or(now.dateOnly()), now, weekStartsMonday, nextRingAt, dayRowMap);
    std::string text;
    for (const EditorRow& row : rows) {
        const AlarmRecord& alarm = table.alarms[static_cast<std::size_t>(row.alarmIndex)];
        text += row.marker + row.text + '\t' + oneLine(alarm.message) + '\n';
    }
    return text;
}

std::string nextAlarmLine(const AlarmTable& table, OleDate now, const RealNow* real)
{
    OleDate nextRingAt;
    int alarmIndex = -1;
    const std::optional<std::string> tip = nextAlarmTooltip(table, now, nextRingAt, alarmIndex, real);
    if (!tip || alarmIndex < 0) {
        return "２４時間中のアラームはありません\n";
    }
    return *tip + '\t' + oneLine(table.alarms[static_cast<std::size_t>(alarmIndex)].message) + '\n';
}

} // namespace kvx
