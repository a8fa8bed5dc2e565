#include "schedule/AlarmRows.h"

#include "schedule/AlarmText.h"
#include "schedule/DayLister.h"
#include "schedule/Recurrence.h"

#include <algorithm>

namespace kvx {

namespace {

const AlarmRecord& alarmAt(const AlarmTable& table, int index)
{
    return table.alarms[static_cast<std::size_t>(index)];
}

EditorRow editorRow(const AlarmTable& table, int index, std::string_view marker, bool weekStartsMonday)
{
    return {index, std::string(marker), describeAlarm(alarmAt(table, index), weekStartsMonday)};
}

CalendarList calendarList(const AlarmTable& table, const std::vector<int>& indexes)
{
    CalendarList list;
    list.rows.reserve(indexes.size());
    for (int index : indexes) {
        list.rows.push_back({index, calendarRowTexts(alarmAt(table, index))});
    }
    list.rowsWritten = static_cast<int>(list.rows.size());
    list.gridRows = std::max(CalendarList::kMinimumGridRows, list.rowsWritten + 1);
    return list;
}

std::vector<int> allAlarms(const DisplayOrder& order)
{
    std::vector<int> indexes;
    indexes.reserve(order.size());
    for (const DisplayOrder::Entry& entry : order) {
        indexes.push_back(entry.alarmIndex);
    }
    return indexes;
}

} // namespace

std::vector<EditorRow> editorListRows(const AlarmTable& table, const DisplayOrder& order, EditorView view,
    OleDate chosenDay, OleDate now, bool weekStartsMonday, OleDate& nextRingAt, std::vector<int>& dayRowMap)
{
    std::vector<EditorRow> rows;
    if (view == EditorView::Day) {
        DayLister(table, order).fillDayRowMap(chosenDay, now, nextRingAt, dayRowMap);
        rows.reserve(dayRowMap.size());
        for (int index : dayRowMap) {
            rows.push_back(
                editorRow(table, index, rowMarker(alarmAt(table, index), chosenDay, now), weekStartsMonday));
        }
        return rows;
    }
    rows.reserve(order.size());
    const RuleDay day = ruleDay(chosenDay);
    for (std::size_t position = 0; position < order.size(); ++position) {
        order.fetchAhead(table, position);
        const DisplayOrder::Entry& entry = order[position];
        const AlarmRecord& item = alarmAt(table, entry.alarmIndex);
        const std::string_view marker
            = inDayPart(item, day, now, nextRingAt) ? rowMarker(item, chosenDay, now) : kMarkerDone;
        rows.push_back(editorRow(table, entry.alarmIndex, marker, weekStartsMonday));
    }
    return rows;
}

CalendarList calendarListRows(const AlarmTable& table, const DisplayOrder& order, CalendarTab tab,
    OleDate selectedDate, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap)
{
    if (tab == CalendarTab::AllAlarms) {
        return calendarList(table, allAlarms(order));
    }
    return calendarListRows(
        table, order, DayLister(table, order), tab, selectedDate, now, nextRingAt, dayRowMap);
}

CalendarList calendarListRows(const AlarmTable& table, const DisplayOrder& order, const DayLister& lister,
    CalendarTab tab, OleDate selectedDate, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap)
{
    if (tab == CalendarTab::AllAlarms) {
        return calendarList(table, allAlarms(order));
    }
    lister.fillDayRowMap(selectedDate, now, nextRingAt, dayRowMap);
    return calendarList(table, dayRowMap);
}

} // namespace kvx
