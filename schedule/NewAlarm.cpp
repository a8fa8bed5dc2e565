#include "schedule/NewAlarm.h"

#include <algorithm>
#include <string>

namespace kvx {

namespace {

std::array<std::string, 4> clockDigits(OleDate time)
{
    const int h = time.hour();
    const int m = time.minute();
    return {std::to_string(h / 10), std::to_string(h % 10), std::to_string(m / 10), std::to_string(m % 10)};
}

} // namespace

EditorDraft newAlarmDraft(const AlarmDefaults& d, OleDate chosenDate, OleDate now)
{
    EditorDraft draft;
    draft.calendarDate = chosenDate.dateOnly();
    draft.startDigits = clockDigits(now);
    draft.endDigits = draft.startDigits;
    draft.dayOfMonth = std::to_string(static_cast<unsigned>(now.ymd().day()));
    draft.choice = KindChoice::Once;
    draft.weekStartsMonday = d.weekStartsMonday != 0;
    draft.weekdayBoxes = weekdayBoxesForDate(chosenDate, draft.weekStartsMonday);
    draft.weeklyIndex = weeklyIndexOfDefault(d.weeklyKind);
    takeMessageAndSound(draft, d);
    return draft;
}

EditorView editorViewOf(CalendarTab tab)
{
    return tab == CalendarTab::AllAlarms ? EditorView::AllAlarms : EditorView::Day;
}

NewAlarmPreparation prepareNewAlarm(
    const AlarmDefaults& defaults, OleDate chosenDate, CalendarTab tab, OleDate now)
{
    NewAlarmPreparation preparation;
    preparation.view = editorViewOf(tab);
    preparation.draft = newAlarmDraft(defaults, chosenDate, now);
    preparation.dateText = chosenDate.formatDate();
    return preparation;
}

} // namespace kvx
