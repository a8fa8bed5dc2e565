#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/AlarmRows.h"
#include "schedule/EditorDraft.h"

namespace kvx {

// What the editor shows when the calendar starts a new alarm for a day: its
// list view matching the calendar's tab, no alarm loaded, and fields holding
// the current time, the chosen day, kind once and the remembered defaults.
struct NewAlarmPreparation {
    EditorView view = EditorView::AllAlarms;
    EditorDraft draft;
    std::string dateText; // the chosen day "yyyy/mm/dd"
    int selectedAlarm = -1;
};

// The editor's fields for a new alarm from the remembered defaults, start and
// end at the time of `now`, the day of month of `now`.
EditorDraft newAlarmDraft(const AlarmDefaults& defaults, OleDate chosenDate, OleDate now);

// The editor's list view that matches a calendar list tab.
EditorView editorViewOf(CalendarTab tab);

NewAlarmPreparation prepareNewAlarm(
    const AlarmDefaults& defaults, OleDate chosenDate, CalendarTab tab, OleDate now);

} // namespace kvx
