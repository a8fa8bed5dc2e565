#include "schedule/EditorDraft.h"

#include "core/DataFileCodec.h"
#include "schedule/DateHelpers.h"
#include "schedule/EditorInput.h"

#include <algorithm>
#include <cmath>

namespace kvx {

namespace {

using namespace std::chrono;

constexpr long long kMax16 = 32767;
constexpr std::array<std::int16_t, 7> kWeeklyKinds{kKindWeekly, kKindFortnightly, kKindFirstWeek,
    kKindSecondWeek, kKindThirdWeek, kKindFourthWeek, kKindFifthWeek};

std::int16_t flag(bool on)
{
    return on ? 1 : 0;
}

std::int16_t style(bool on)
{
    return on ? -1 : 0;
}

std::string twoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

int timeOf(const std::array<std::string, 4>& digits, int& minutes)
{
    minutes = static_cast<int>(leadingValue(digits[2] + digits[3]));
    return static_cast<int>(leadingValue(digits[0] + digits[1]));
}

OleDate atTime(year_month_day day, const std::array<std::string, 4>& digits)
{
    int minutes = 0;
    const int hours = timeOf(digits, minutes);
    return OleDate::fromDay(sys_days{day}, hours * 3600 + minutes * 60);
}

} // namespace

std::int16_t kindOf(const EditorDraft& draft)
{
    switch (draft.choice) {
    case KindChoice::Monthly:
        return kKindMonthly;
    case KindChoice::Weekly:
        return kWeeklyKinds[static_cast<std::size_t>(std::clamp(draft.weeklyIndex, 0, 6))];
    case KindChoice::Daily:
        return kKindDaily;
    default:
        return kKindOnce;
    }
}

int weeklyIndexOfKind(int kind)
{
    for (std::size_t i = 0; i < kWeeklyKinds.size(); ++i) {
        if (kWeeklyKinds[i] == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

KindChoice choiceOfKind(int kind)
{
    switch (kind) {
    case kKindMonthly:
        return KindChoice::Monthly;
    case kKindDaily:
        return KindChoice::Daily;
    case kKindOnce:
        return KindChoice::Once;
    case kKindQuick:
        return KindChoice::Quick;
    default:
        return KindChoice::Weekly;
    }
}

int weekdayBoxBit(int box, bool weekStartsMonday)
{
    if (weekStartsMonday) {
        return box == 6 ? kSunday : 1 << box;
    }
    return box == 0 ? kSunday : 1 << (box - 1);
}

std::int16_t weekdayMaskOf(const std::array<bool, 7>& boxes, bool weekStartsMonday)
{
    int mask = 0;
    for (int box = 0; box < 7; ++box) {
        if (boxes[static_cast<std::size_t>(box)]) {
            mask |= weekdayBoxBit(box, weekStartsMonday);
        }
    }
    return static_cast<std::int16_t>(mask);
}

std::array<bool, 7> weekdayBoxesOf(int mask, bool weekStartsMonday)
{
    std::array<bool, 7> boxes{};
    for (int box = 0; box < 7; ++box) {
        boxes[static_cast<std::size_t>(box)] = (mask & weekdayBoxBit(box, weekStartsMonday)) != 0;
    }
    return boxes;
}

std::array<bool, 7> weekdayBoxesForDate(OleDate date, bool weekStartsMonday)
{
    return weekdayBoxesOf(weekdayBit(weekdayNumber(date.day())), weekStartsMonday);
}

EditorDraft draftFromRecord(const AlarmRecord& record, OleDate calendarDate, bool weekStartsMonday)
{
    EditorDraft draft;
    draft.calendarDate = calendarDate;
    const std::string start = twoDigits(record.startTime.hour()) + twoDigits(record.startTime.minute());
    const std::string end = twoDigits(record.endTime.hour()) + twoDigits(record.endTime.minute());
    for (std::size_t i = 0; i < 4; ++i) {
        draft.startDigits[i] = start.substr(i, 1);
        draft.endDigits[i] = end.substr(i, 1);
    }
    draft.dayOfMonth = std::to_string(static_cast<unsigned>(record.startTime.ymd().day()));
    draft.choice = choiceOfKind(record.kind);
    draft.weeklyIndex = std::max(weeklyIndexOfKind(record.kind), 0);
    draft.weekStartsMonday = weekStartsMonday;
    draft.weekdayBoxes = weekdayBoxesOf(record.weekdayMask, weekStartsMonday);
    takeMessageAndSound(draft, record);
    draft.midiVolume = record.midiVolume;
    draft.waveVolume = record.waveVolume;
    return draft;
}

year_month_day forwardedDay(int yearNumber, int monthNumber, int day)
{
    year_month shown = std::chrono::year{yearNumber} / std::chrono::month{static_cast<unsigned>(monthNumber)};
    // Every month has days 1..28 and every second month has 29..31, so this ends
    // within two steps (31 after a 30-day month, 29/30 after February).
    for (int step = 0; step < 12; ++step) {
        const year_month_day candidate = shown / std::chrono::day{static_cast<unsigned>(day)};
        if (candidate.ok()) {
            return candidate;
        }
        shown += months{1};
    }
    return shown / last;
}

bool dayOfMonthWrong(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    const long long value = leadingValue(text);
    return value == 0 || value > 31;
}

std::optional<DraftProblem> firstProblem(const EditorDraft& draft)
{
    for (int box = 0; box < kTimeBoxCount; ++box) {
        const auto& digits = box < 4 ? draft.startDigits : draft.endDigits;
        const auto place = static_cast<std::size_t>(box % 4);
        if (!timeDigitPasses(box, digits[place], digits[0])) {
            return DraftProblem{DraftField::Digit, box, {}};
        }
    }
    if (dayOfMonthWrong(draft.dayOfMonth)) {
        return DraftProblem{DraftField::DayOfMonth, -1, kDayOfMonthMessage};
    }
    const long long pre = leadingValue(draft.preMinutes);
    if ((!draft.preMinutes.empty() && draft.preMinutes != "0" && pre == 0) || pre > kMax16) {
        return DraftProblem{DraftField::PreMinutes, -1, kPreMinutesMessage};
    }
    const long long blinks = leadingValue(draft.blinkCount);
    if ((draft.blink && blinks < 1) || blinks > kMax16) {
        return DraftProblem{DraftField::BlinkCount, -1, kBlinkCountMessage};
    }
    if (draft.choice == KindChoice::Monthly && draft.dayOfMonth.empty()) {
        return DraftProblem{DraftField::DayOfMonth, -1, kDayOfMonthMessage};
    }
    if (draft.choice == KindChoice::Weekly
        && weekdayMaskOf(draft.weekdayBoxes, draft.weekStartsMonday) == 0) {
        return DraftProblem{DraftField::FirstWeekday, -1, kWeekdayMessage};
    }
    const auto blank
        = [](const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; };
    if (draft.sound && blank(draft.soundFile)) {
        return DraftProblem{DraftField::SoundFile, -1, kSoundFileMessage};
    }
    if (draft.sound && blank(draft.soundFileCopy)) {
        return DraftProblem{DraftField::SoundFileCopy, -1, kSoundFileMessage};
    }
    if (!fitsDataFile(draft.message)) {
        return DraftProblem{DraftField::Message, -1, kLongMessageMessage};
    }
    return std::nullopt;
}

OleDate setMoment(const EditorDraft& draft)
{
    return atTime(draft.calendarDate.ymd(), draft.startDigits);
}

bool asksPastTime(const EditorDraft& draft, OleDate now, bool warnPastTime)
{
    return warnPastTime && setMoment(draft).totalSeconds() < now.totalSeconds();
}

AlarmRecord recordFromDraft(const EditorDraft& draft, const AlarmRecord& previous, bool changeOfMonthly)
{
    AlarmRecord record;
    const year_month_day shown = draft.calendarDate.ymd();
    year_month_day day = shown;
    if (changeOfMonthly && draft.choice == KindChoice::Monthly) {
        day = forwardedDay(static_cast<int>(shown.year()),
            static_cast<int>(static_cast<unsigned>(shown.month())),
            static_cast<int>(leadingValue(draft.dayOfMonth)));
    }
    record.startTime = atTime(day, draft.startDigits);
    record.endTime = atTime(day, draft.endDigits);
    record.kind = kindOf(draft);
    record.weekdayMask = weekdayMaskOf(draft.weekdayBoxes, draft.weekStartsMonday);
    record.preMode = !draft.preAlarm ? kPreNone : (draft.mainBellToo ? kPreAndMain : kPreOnly);
    record.preMinutes = draft.preMinutes.empty() ? previous.preMinutes
                                                 : static_cast<std::int16_t>(leadingValue(draft.preMinutes));
    record.blink = flag(draft.blink);
    record.message = draft.message;
    record.sound = flag(draft.sound);
    record.soundFile = draft.soundFile;
    record.endless = flag(draft.endless);
    record.midiVolume = draft.midiVolume;
    record.waveVolume = draft.waveVolume;
    record.keepWindow = flag(draft.keepWindow);
    record.blinkCount = static_cast<std::int16_t>(leadingValue(draft.blinkCount));
    record.textColor = draft.textColor;
    record.backColor = draft.backColor;
    record.fontName = draft.fontName;
    record.fontSize = static_cast<std::int16_t>(std::lround(draft.fontSize));
    record.fontBold = style(draft.fontBold);
    record.fontItalic = style(draft.fontItalic);
    record.fontUnderline = style(draft.fontUnderline);
    record.fontStrikethru = style(draft.fontStrikethru);
    record.textColorIndex = static_cast<std::int16_t>(draft.textColorIndex);
    record.backColorIndex = static_cast<std::int16_t>(draft.backColorIndex);
    return record;
}

void rememberDefaults(
    AlarmDefaults& defaults, const AlarmRecord& stored, const EditorDraft& draft, std::int16_t listMode)
{
    defaults.preMode = stored.preMode;
    defaults.preMinutes = stored.preMinutes;
    defaults.message = stored.message;
    defaults.blink = stored.blink;
    defaults.sound = stored.sound;
    defaults.soundFile = stored.soundFile;
    defaults.weekStartsMonday = flag(draft.weekStartsMonday);
    defaults.endless = stored.endless;
    defaults.keepWindow = stored.keepWindow;
    defaults.blinkCount = stored.blinkCount;
    defaults.textColor = stored.textColor;
    defaults.backColor = stored.backColor;
    defaults.fontName = stored.fontName;
    defaults.fontSize = stored.fontSize;
    defaults.fontBold = stored.fontBold;
    defaults.fontItalic = stored.fontItalic;
    defaults.fontUnderline = stored.fontUnderline;
    defaults.fontStrikethru = stored.fontStrikethru;
    defaults.textColorIndex = stored.textColorIndex;
    defaults.backColorIndex = stored.backColorIndex;
    if (weeklyIndexOfKind(stored.kind) >= 0) {
        defaults.weeklyKind = stored.kind;
    }
    defaults.listMode = listMode;
}

int weeklyIndexOfDefault(int weeklyKind)
{
    const int index = weeklyIndexOfKind(weeklyKind);
    return index < 0 ? 0 : index;
}

AlarmRecord quickTimerRecord(const AlarmRecord& fields, OleDate now, int minutes, std::string message)
{
    AlarmRecord record = fields;
    record.startTime = now.plusSeconds(static_cast<long long>(minutes) * 60);
    record.endTime = record.startTime;
    record.kind = kKindQuick;
    record.weekdayMask = static_cast<std::int16_t>(weekdayBit(weekdayNumber(record.startTime.day())));
    record.lastPreAlarm = OleDate();
    record.lastAlarm = OleDate();
    record.preMode = kPreNone;
    record.preMinutes = 0;
    record.message = std::move(message);
    return record;
}

} // namespace kvx
