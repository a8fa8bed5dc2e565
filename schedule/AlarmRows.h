#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/DisplayOrder.h"

#include <array>
#include <string>
#include <vector>

namespace kvx {

class DayLister;

// The editor's two views of its alarm list: all alarms ("一覧") or the alarms of
// the day chosen in its calendar ("デイリー").
enum class EditorView { AllAlarms, Day };

struct EditorRow {
    int alarmIndex = 0;
    std::string marker; // "□" or "■"
    std::string text; // describeAlarm
};

// The rows of the editor's alarm list in display order. The all-alarms view lists
// every alarm (its row map is the display order) and marks with "■" only alarms
// still to come in the day part of the chosen day. The day view lists the day
// part of the chosen day and then its night part, and rebuilds `dayRowMap`; the
// all-alarms view leaves `dayRowMap` alone. Listed alarms offer to `nextRingAt`.
std::vector<EditorRow> editorListRows(const AlarmTable& table, const DisplayOrder& order, EditorView view,
    OleDate chosenDay, OleDate now, bool weekStartsMonday, OleDate& nextRingAt, std::vector<int>& dayRowMap);

// The tabs of the calendar window's alarm list.
enum class CalendarTab { AllAlarms = 0, Day = 1 };

struct CalendarRow {
    int alarmIndex = 0;
    std::array<std::string, 4> texts; // calendarRowTexts
};

struct CalendarList {
    // The grid never has fewer than 15 rows, its header row included.
    static constexpr int kMinimumGridRows = 15;

    std::vector<CalendarRow> rows;
    int rowsWritten = 0; // list entries, for the selection handling
    int gridRows = kMinimumGridRows; // header row plus entries, at least 15
};

// The rows of the calendar window's alarm list: every alarm in display order, or
// the selected day's day part followed by its night part (rebuilding `dayRowMap`,
// which the all-alarms tab leaves alone). Listed alarms of the day tab offer to
// `nextRingAt`.
CalendarList calendarListRows(const AlarmTable& table, const DisplayOrder& order, CalendarTab tab,
    OleDate selectedDate, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap);
// The same with a lister built once for many days.
CalendarList calendarListRows(const AlarmTable& table, const DisplayOrder& order, const DayLister& lister,
    CalendarTab tab, OleDate selectedDate, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap);

} // namespace kvx
