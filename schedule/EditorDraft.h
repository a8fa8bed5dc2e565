#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kvx {

// Which recurrence button of the editor is chosen ("毎月", "週単位", "毎日",
// "１回だけ", "クイックタイマー").
enum class KindChoice { Monthly, Weekly, Daily, Once, Quick };

// The fields of one alarm as the editor holds them: texts as typed, boxes as
// ticked. The widgets copy values in and out; the rules below work on this.
struct EditorDraft {
    OleDate calendarDate; // the day chosen in the calendar
    std::array<std::string, 4> startDigits{"0", "0", "0", "0"};
    std::array<std::string, 4> endDigits{"0", "0", "0", "0"};
    std::string dayOfMonth; // Text5
    KindChoice choice = KindChoice::Once;
    int weeklyIndex = 0; // Combo1: "毎週","隔週","第１".."第５"
    bool weekStartsMonday = false;
    std::array<bool, 7> weekdayBoxes{}; // Check2 boxes as laid out for the week start
    std::string message;
    bool preAlarm = false;
    bool mainBellToo = false;
    std::string preMinutes; // Text9
    bool blink = false;
    std::string blinkCount; // Text10
    bool keepWindow = false;
    bool sound = false;
    std::string soundFile; // Text7
    std::string soundFileCopy; // Text11, mirrors Text7
    bool endless = false;
    std::int32_t midiVolume = 0;
    std::int32_t waveVolume = 0;
    std::int32_t textColor = 0;
    std::int32_t backColor = kButtonFaceColor;
    std::string fontName = kDefaultFontName;
    double fontSize = 12;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontUnderline = false;
    bool fontStrikethru = false;
    int textColorIndex = 7;
    int backColorIndex = 5;
};

// Kind code of a draft: 1 monthly, 2/6..11 by the weekly choice, 3 daily, 4 otherwise.
std::int16_t kindOf(const EditorDraft& draft);
// The weekly choice of a kind (2 "毎週", 6 "隔週", 7..11 "第１".."第５"); -1 for other kinds.
int weeklyIndexOfKind(int kind);
// The button of a stored kind; kinds outside 1..11 show as weekly, choice unchanged.
KindChoice choiceOfKind(int kind);

// Weekday boxes <-> mask. Sunday is box 0, or box 6 when the week starts on Monday.
int weekdayBoxBit(int box, bool weekStartsMonday);
std::int16_t weekdayMaskOf(const std::array<bool, 7>& boxes, bool weekStartsMonday);
std::array<bool, 7> weekdayBoxesOf(int mask, bool weekStartsMonday);
// Only the box of `date`'s weekday ticked.
std::array<bool, 7> weekdayBoxesForDate(OleDate date, bool weekStartsMonday);

// The editor's fields loaded from a stored alarm (the calendar day stays as given).
EditorDraft draftFromRecord(const AlarmRecord& record, OleDate calendarDate, bool weekStartsMonday);

// The message, bells, blinking, sound and appearance fields, which an alarm
// and the remembered defaults name alike.
template <class Fields> void takeMessageAndSound(EditorDraft& draft, const Fields& from)
{
    draft.message = from.message;
    draft.preAlarm = from.preMode == kPreOnly || from.preMode == kPreAndMain;
    draft.mainBellToo = from.preMode == kPreAndMain;
    draft.preMinutes = std::to_string(from.preMinutes);
    draft.blink = from.blink != 0;
    draft.blinkCount = std::to_string(from.blinkCount);
    draft.keepWindow = from.keepWindow != 0;
    draft.sound = from.sound == 1;
    draft.soundFile = from.soundFile;
    draft.soundFileCopy = from.soundFile;
    draft.endless = from.endless != 0;
    draft.textColor = from.textColor;
    draft.backColor = from.backColor;
    draft.fontName = from.fontName;
    draft.fontSize = from.fontSize;
    draft.fontBold = from.fontBold != 0;
    draft.fontItalic = from.fontItalic != 0;
    draft.fontUnderline = from.fontUnderline != 0;
    draft.fontStrikethru = from.fontStrikethru != 0;
    draft.textColorIndex = std::clamp<int>(from.textColorIndex, 0, 7);
    draft.backColorIndex = std::clamp<int>(from.backColorIndex, 0, 7);
}

// The day `day` of year/month, or of the first later month that has that day
// (a monthly alarm on the 31st chosen in April starts in May). `day` 1..31.
std::chrono::year_month_day forwardedDay(int yearNumber, int monthNumber, int day);

// What a failed check points at: a message and the control that gets the focus.
enum class DraftField {
    Digit,
    DayOfMonth,
    PreMinutes,
    BlinkCount,
    FirstWeekday,
    SoundFile,
    SoundFileCopy,
    Message
};
struct DraftProblem {
    DraftField field = DraftField::Digit;
    int digitBox = -1; // for Digit: the failing box (0..7); no message then
    std::string message;
};

inline constexpr const char* kDayOfMonthMessage = "日付を、１から３１までの値にしてください";
inline constexpr const char* kPreMinutesMessage = "予鈴時間を、０以上の値にしてください";
inline constexpr const char* kBlinkCountMessage = "ブリンク回数を、１以上の値にしてください";
inline constexpr const char* kWeekdayMessage = "曜日のいずれかを選択してください";
inline constexpr const char* kSoundFileMessage = "有効なファイルが指定されていません";
inline constexpr const char* kLongMessageMessage
    = "メッセージが長すぎます。データファイルに保存できるのは65535バイトまでです";
inline constexpr const char* kPastTimeQuestion = "設定時刻が過去になっていますが、設定しますか";
inline constexpr const char* kTableFullMessage = "アラームは３２７６７件までです";
inline constexpr const char* kQuickAddMessage
    = "クイックタイマーは追加ボタンで追加できません\nクイックタイマーリストから登録してください";
inline constexpr const char* kQuickChangeMessage = "クイックタイマーは変更できません";
inline constexpr const char* kSelectOneMessage = "アラームエントリを１つ選択してください";
inline constexpr const char* kDiscardQuestion = "データ変更されています。\nキャンセルしてもよろしいですか？";

// The day-of-month rule alone, which the editor also applies while typing.
bool dayOfMonthWrong(const std::string& text);
// The checks of an add and of a change in their order (time digits, day of
// month, pre-alarm minutes, blink count, monthly needs a day, weekly needs a
// weekday, sound needs a file twice, a message the data file holds); the
// first failure, or none.
std::optional<DraftProblem> firstProblem(const EditorDraft& draft);

// The moment the draft is set to: the calendar day at the start time.
OleDate setMoment(const EditorDraft& draft);
// Whether the past-time question is to be asked.
bool asksPastTime(const EditorDraft& draft, OleDate now, bool warnPastTime);

// The record a draft that passed its checks stores. `previous` gives the
// pre-alarm minutes kept when `Text9` is empty. A change of a monthly alarm
// takes its day from the day-of-month box, an add from the calendar.
AlarmRecord recordFromDraft(const EditorDraft& draft, const AlarmRecord& previous, bool changeOfMonthly);

// What an add or change remembers for the next new alarm.
void rememberDefaults(
    AlarmDefaults& defaults, const AlarmRecord& stored, const EditorDraft& draft, std::int16_t listMode);
// The weekly choice a reset preselects from the remembered weekly kind.
int weeklyIndexOfDefault(int weeklyKind);

// The quick-timer choices, in list order, and the record a choice appends.
inline constexpr std::array<int, 11> kQuickTimerMinutes{3, 5, 10, 15, 20, 25, 30, 45, 60, 90, 120};
inline constexpr const char* kQuickTimerMessage = "クイックタイマー";
// `fields` is what the editor's fields would store (sound, blink, look).
AlarmRecord quickTimerRecord(
    const AlarmRecord& fields, OleDate now, int minutes, std::string message = kQuickTimerMessage);

} // namespace kvx
