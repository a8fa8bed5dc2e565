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
    draft.message = d.message;
    draft.preAlarm = d.preMode == kPreOnly || d.preMode == kPreAndMain;
    draft.mainBellToo = d.preMode == kPreAndMain;
    draft.preMinutes = std::to_string(d.preMinutes);
    draft.blink = d.blink != 0;
    draft.blinkCount = std::to_string(d.blinkCount);
    draft.keepWindow = d.keepWindow != 0;
    draft.sound = d.sound == 1;
    draft.soundFile = d.soundFile;
    draft.soundFileCopy = d.soundFile;
    draft.endless = d.endless != 0;
    draft.textColor = d.textColor;
    draft.backColor = d.backColor;
    draft.fontName = d.fontName;
    draft.fontSize = d.fontSize;
    draft.fontBold = d.fontBold != 0;
    draft.fontItalic = d.fontItalic != 0;
    draft.fontUnderline = d.fontUnderline != 0;
    draft.fontStrikethru = d.fontStrikethru != 0;
    draft.textColorIndex = std::clamp<int>(d.textColorIndex, 0, 7);
    draft.backColorIndex = std::clamp<int>(d.backColorIndex, 0, 7);
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
