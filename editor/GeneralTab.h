#pragma once

#include <QWidget>

#include "schedule/EditorDraft.h"

#include <QDate>

#include <array>

class QButtonGroup;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kvx {

class Keypad;
class TimeEntry;

// The tab "一般" (`Frame1`): the date, the start and end times with the
// keypad, the recurrence, the weekdays, the message and the sound file.
class GeneralTab : public QWidget {
    Q_OBJECT

public:
    explicit GeneralTab(QWidget* parent = nullptr);

    void readInto(EditorDraft& draft) const;
    // Loads a stored alarm's fields; the calendar keeps its date.
    void load(const EditorDraft& draft);

    QDate date() const;
    // Sets the calendar and the date text, as code does (no date click).
    void setDate(const QDate& date);
    void setTime(int hours, int minutes);
    void setWeekStartsMonday(bool monday);
    bool weekStartsMonday() const;
    void setWeeklyIndex(int index);
    void selectChoice(KindChoice choice);
    KindChoice choice() const;
    void setDayOfMonth(int day);
    void tickDateWeekday();
    void setMessage(const QString& text);
    void setSound(bool on);
    void setSoundFile(const QString& file);

    QWidget* focusTarget(DraftField field) const;
    QLineEdit* timeBox(int box) const;

signals:
    void dateClicked(const QDate& date);
    void resetPressed();
    void previewRequested();
    void messageEdited(const QString& text);
    void soundToggled(bool on);
    void soundFileEdited(const QString& file);
    void browseSoundRequested();
    void weekStartToggled(bool monday);
    // A typed day of month is out of range: the window warns.
    void dayOfMonthRefused();

private:
    QWidget* buildTimePane();
    QWidget* buildKindPane();
    QWidget* buildMessagePane();
    void choiceMade(KindChoice choice);
    void applyWeeklyRule();
    void weekStartChanged(bool monday);
    void setBoxes(const std::array<bool, 7>& values);
    std::array<bool, 7> boxes() const;
    void enableBoxes(bool enabled);
    void paintBoxCaptions();
    void dayOfMonthEdited();
    void keypadDigit(int digit);
    void moveFocus(int box, bool selectAll);

    QCalendarWidget* m_calendar;
    QLineEdit* m_dateText;
    TimeEntry* m_start;
    TimeEntry* m_end;
    Keypad* m_keypad;
    QPushButton* m_reset;
    QCheckBox* m_weekStart;
    QButtonGroup* m_kinds;
    std::array<QRadioButton*, 5> m_kindButtons{};
    QLineEdit* m_dayOfMonth;
    QComboBox* m_weekly;
    std::array<QCheckBox*, 7> m_weekdays{};
    QLineEdit* m_message;
    QCheckBox* m_sound;
    QLabel* m_soundLabel;
    QLineEdit* m_soundFile;
    QPushButton* m_browse;
    QPushButton* m_preview;
    int m_lastFocusedBox = -1;
    bool m_loading = false;
};

} // namespace kvx
