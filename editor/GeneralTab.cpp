#include "editor/GeneralTab.h"

#include "core/DataFileCodec.h"
#include "editor/Keypad.h"
#include "editor/TimeEntry.h"
#include "platform/AppIcons.h"
#include "schedule/EditorInput.h"
#include "ui/Controls.h"
#include "ui/QtDates.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kvx {

namespace {

const QStringList kWeeklyChoices{QStringLiteral("毎週"), QStringLiteral("隔週"), QStringLiteral("第１"),
    QStringLiteral("第２"), QStringLiteral("第３"), QStringLiteral("第４"), QStringLiteral("第５")};
const QStringList kSundayFirst{QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"),
    QStringLiteral("水"), QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};
const QStringList kMondayFirst{QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
    QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日")};

} // namespace

GeneralTab::GeneralTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Frame1"));
    auto* top = new QGridLayout(this);
    m_calendar = named(new QCalendarWidget, "MonthView1", QStringLiteral("設定年月日のカレンダー"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setFixedSize(260, 180);
    top->addWidget(m_calendar, 0, 0);
    top->addWidget(buildTimePane(), 0, 1);
    top->addWidget(buildKindPane(), 1, 0, 1, 2);
    top->addWidget(buildMessagePane(), 2, 0, 1, 2);
    top->setRowStretch(3, 1);

    connect(m_calendar, &QCalendarWidget::clicked, this, [this](const QDate& date) {
        m_dateText->setText(date.toString(QStringLiteral("yyyy/MM/dd")));
        emit dateClicked(date);
    });
    selectChoice(KindChoice::Once);
    setDate(QDate::currentDate());
}

QWidget* GeneralTab::buildTimePane()
{
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(
        named(new QLabel(QStringLiteral("設定年月日：")), "Label1", QStringLiteral("設定年月日：")));
    m_dateText = named(new QLineEdit, "Rich1", QStringLiteral("設定年月日"));
    m_dateText->setReadOnly(true);
    m_dateText->setAlignment(Qt::AlignCenter);
    m_dateText->setFocusPolicy(Qt::NoFocus);
    dateRow->addWidget(m_dateText);
    column->addLayout(dateRow);
    m_start = new TimeEntry(kStartHourTens,
        {{"Text1", "Text2", "Text3", "Text4"}, {"UpDown1", "UpDown2"}, "Command13", QStringLiteral("開始")});
    m_end = new TimeEntry(kEndHourTens,
        {{"Text12", "Text13", "Text14", "Text15"}, {"UpDown3", "UpDown4"}, "Command14",
            QStringLiteral("終了")});
    column->addWidget(m_start);
    column->addWidget(m_end);
    m_keypad = new Keypad;
    column->addWidget(m_keypad);
    m_reset = named(
        new QPushButton(QStringLiteral("初期状態にする")), "Command1", QStringLiteral("初期状態にする"));
    column->addWidget(m_reset);
    column->addStretch();
    for (TimeEntry* entry : {m_start, m_end}) {
        connect(entry, &TimeEntry::boxFocused, this, [this](int box) { m_lastFocusedBox = box; });
        connect(entry, &TimeEntry::accepted, this, [this](int box) {
            if (box < kEndMinuteUnits) {
                moveFocus(box + 1, true);
            }
        });
    }
    connect(m_keypad, &Keypad::digitPressed, this, &GeneralTab::keypadDigit);
    connect(m_reset, &QPushButton::clicked, this, &GeneralTab::resetPressed);
    return pane;
}

QWidget* GeneralTab::buildKindPane()
{
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    m_weekStart = named(
        new QCheckBox(QStringLiteral("月曜始まりにする")), "Check1", QStringLiteral("月曜始まりにする"));
    grid->addWidget(m_weekStart, 0, 0, 1, 4);
    m_kinds = new QButtonGroup(this);
    const std::array<std::pair<const char*, QString>, 5> kinds{{{"Option3", QStringLiteral("毎月")},
        {"Option4", QStringLiteral("週単位")}, {"Option5", QStringLiteral("毎日")},
        {"Option6", QStringLiteral("１回だけ")}, {"Option7", QStringLiteral("クイックタイマー")}}};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        m_kindButtons[i] = named(new QRadioButton(kinds[i].second), kinds[i].first, kinds[i].second);
        m_kinds->addButton(m_kindButtons[i], static_cast<int>(i));
    }
    m_dayOfMonth = named(new QLineEdit(QStringLiteral("25")), "Text5", QStringLiteral("毎月の日"));
    m_dayOfMonth->setFixedWidth(36);
    m_weekly = named(new QComboBox, "Combo1", QStringLiteral("週単位の種類"));
    m_weekly->addItems(kWeeklyChoices);
    auto* monthly = new QHBoxLayout;
    monthly->addWidget(m_kindButtons[0]);
    monthly->addWidget(m_dayOfMonth);
    monthly->addWidget(new QLabel(QStringLiteral("日")));
    monthly->addSpacing(12);
    monthly->addWidget(m_kindButtons[1]);
    monthly->addWidget(m_weekly);
    monthly->addStretch();
    grid->addLayout(monthly, 1, 0, 1, 4);
    auto* others = new QHBoxLayout;
    for (std::size_t i = 2; i < 5; ++i) {
        others->addWidget(m_kindButtons[i]);
    }
    others->addStretch();
    grid->addLayout(others, 2, 0, 1, 4);
    auto* days = new QHBoxLayout;
    for (int box = 0; box < 7; ++box) {
        const QByteArray name = "Check2_" + QByteArray::number(box);
        m_weekdays[static_cast<std::size_t>(box)] = named(new QCheckBox, name.constData(), QString());
        days->addWidget(m_weekdays[static_cast<std::size_t>(box)]);
    }
    days->addStretch();
    grid->addLayout(days, 3, 0, 1, 4);
    paintBoxCaptions();

    connect(
        m_kinds, &QButtonGroup::idClicked, this, [this](int id) { choiceMade(static_cast<KindChoice>(id)); });
    connect(m_weekly, &QComboBox::activated, this, [this] {
        m_kindButtons[1]->setChecked(true);
        choiceMade(KindChoice::Weekly);
    });
    connect(m_weekStart, &QCheckBox::toggled, this, &GeneralTab::weekStartChanged);
    connect(m_dayOfMonth, &QLineEdit::textEdited, this, &GeneralTab::dayOfMonthEdited);
    return pane;
}

QWidget* GeneralTab::buildMessagePane()
{
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("メッセージ")), 0, 0);
    m_message = named(new QLineEdit, "Text6", QStringLiteral("メッセージ"));
    // As long as the data file may hold (65535 bytes, one or two a character);
    // the add checks its bytes.
    m_message->setMaxLength(static_cast<int>(kMaxTextBytes));
    grid->addWidget(m_message, 0, 1, 1, 3);
    m_sound = named(new QCheckBox(QStringLiteral("音を鳴らす")), "Check3", QStringLiteral("音を鳴らす"));
    grid->addWidget(m_sound, 1, 0);
    m_soundLabel
        = named(new QLabel(QStringLiteral("サウンドファイル")), "Label5", QStringLiteral("サウンドファイル"));
    grid->addWidget(m_soundLabel, 1, 1);
    m_soundFile = named(new QLineEdit, "Text7", QStringLiteral("サウンドファイル"));
    grid->addWidget(m_soundFile, 2, 0, 1, 3);
    m_browse = named(new QPushButton, "Command4", QStringLiteral("サウンドファイルを開く"));
    m_browse->setIcon(buttonIcon(QStringLiteral("OPEN")));
    grid->addWidget(m_browse, 2, 3);
    m_preview = named(
        new QPushButton(QStringLiteral("表示メッセージ")), "Command3", QStringLiteral("表示メッセージ"));
    grid->addWidget(m_preview, 3, 3);
    connect(m_message, &QLineEdit::textChanged, this, &GeneralTab::messageEdited);
    connect(m_sound, &QCheckBox::toggled, this, [this](bool on) {
        setSound(on);
        emit soundToggled(on);
    });
    connect(m_soundFile, &QLineEdit::textChanged, this, &GeneralTab::soundFileEdited);
    connect(m_browse, &QPushButton::clicked, this, &GeneralTab::browseSoundRequested);
    connect(m_preview, &QPushButton::clicked, this, &GeneralTab::previewRequested);
    setSound(false);
    return pane;
}

void GeneralTab::readInto(EditorDraft& draft) const
{
    draft.calendarDate = oleOf(date());
    draft.startDigits = m_start->digits();
    draft.endDigits = m_end->digits();
    draft.dayOfMonth = m_dayOfMonth->text().toStdString();
    draft.choice = choice();
    draft.weeklyIndex = m_weekly->currentIndex();
    draft.weekStartsMonday = weekStartsMonday();
    draft.weekdayBoxes = boxes();
    draft.message = m_message->text().toStdString();
    draft.sound = m_sound->isChecked();
    draft.soundFile = m_soundFile->text().toStdString();
}

void GeneralTab::load(const EditorDraft& draft)
{
    m_loading = true;
    m_start->setDigits(draft.startDigits);
    m_end->setDigits(draft.endDigits);
    m_kindButtons[static_cast<std::size_t>(draft.choice)]->setChecked(true);
    if (draft.choice == KindChoice::Monthly) {
        m_dayOfMonth->setEnabled(true);
        enableBoxes(false);
    } else {
        choiceMade(draft.choice);
    }
    m_dayOfMonth->setText(QString::fromStdString(draft.dayOfMonth));
    if (weeklyIndexOfKind(kindOf(draft)) >= 0 && draft.choice == KindChoice::Weekly) {
        m_weekly->setCurrentIndex(draft.weeklyIndex);
        applyWeeklyRule();
    }
    setBoxes(draft.weekdayBoxes);
    setMessage(QString::fromStdString(draft.message));
    setSound(draft.sound);
    setSoundFile(QString::fromStdString(draft.soundFile));
    m_loading = false;
}

QDate GeneralTab::date() const
{
    return m_calendar->selectedDate();
}

void GeneralTab::setDate(const QDate& date)
{
    m_calendar->setSelectedDate(date);
    m_dateText->setText(date.toString(QStringLiteral("yyyy/MM/dd")));
}

void GeneralTab::setTime(int hours, int minutes)
{
    m_start->setTime(hours, minutes);
    m_end->setTime(hours, minutes);
}

void GeneralTab::setWeekStartsMonday(bool monday)
{
    m_weekStart->setChecked(monday);
}

bool GeneralTab::weekStartsMonday() const
{
    return m_weekStart->isChecked();
}

void GeneralTab::setWeeklyIndex(int index)
{
    m_weekly->setCurrentIndex(index);
}

void GeneralTab::selectChoice(KindChoice choice)
{
    m_kindButtons[static_cast<std::size_t>(choice)]->setChecked(true);
    choiceMade(choice);
}

KindChoice GeneralTab::choice() const
{
    const int id = m_kinds->checkedId();
    return id < 0 ? KindChoice::Once : static_cast<KindChoice>(id);
}

void GeneralTab::setDayOfMonth(int day)
{
    m_dayOfMonth->setText(QString::number(day));
}

void GeneralTab::tickDateWeekday()
{
    setBoxes(weekdayBoxesForDate(oleOf(date()), weekStartsMonday()));
}

void GeneralTab::setMessage(const QString& text)
{
    if (m_message->text() != text) {
        m_message->setText(text);
    }
}

void GeneralTab::setSound(bool on)
{
    {
        const QSignalBlocker blocker(m_sound);
        m_sound->setChecked(on);
    }
    m_soundLabel->setEnabled(on);
    m_soundFile->setEnabled(on);
    m_browse->setEnabled(on);
}

void GeneralTab::setSoundFile(const QString& file)
{
    if (m_soundFile->text() != file) {
        m_soundFile->setText(file);
        m_soundFile->end(false);
    }
}

QWidget* GeneralTab::focusTarget(DraftField field) const
{
    switch (field) {
    case DraftField::DayOfMonth:
        return m_dayOfMonth;
    case DraftField::FirstWeekday:
        return m_weekdays[0];
    case DraftField::SoundFile:
        return m_soundFile;
    case DraftField::Message:
        return m_message;
    default:
        return nullptr;
    }
}

QLineEdit* GeneralTab::timeBox(int box) const
{
    return box < kEndHourTens ? m_start->box(box) : m_end->box(box - kEndHourTens);
}

void GeneralTab::choiceMade(KindChoice choice)
{
    switch (choice) {
    case KindChoice::Monthly:
        if (m_loading) {
            return;
        }
        m_dayOfMonth->setEnabled(true);
        m_dayOfMonth->end(false);
        if (isVisible()) {
            m_dayOfMonth->setFocus();
        }
        enableBoxes(false);
        tickDateWeekday();
        break;
    case KindChoice::Weekly:
        applyWeeklyRule();
        m_dayOfMonth->setEnabled(false);
        break;
    case KindChoice::Daily:
        m_dayOfMonth->setEnabled(false);
        enableBoxes(false);
        setBoxes({true, true, true, true, true, true, true});
        break;
    default:
        m_dayOfMonth->setEnabled(false);
        enableBoxes(false);
        tickDateWeekday();
        break;
    }
}

void GeneralTab::applyWeeklyRule()
{
    const std::array<bool, 7> dateBoxes = weekdayBoxesForDate(oleOf(date()), weekStartsMonday());
    setBoxes(dateBoxes);
    const bool fortnightly = m_weekly->currentIndex() == 1;
    for (std::size_t box = 0; box < 7; ++box) {
        m_weekdays[box]->setEnabled(!fortnightly || dateBoxes[box]);
    }
}

void GeneralTab::weekStartChanged(bool monday)
{
    // The values move with their weekdays: the stored bits stay the same.
    const std::int16_t mask = weekdayMaskOf(boxes(), !monday);
    std::array<bool, 7> enabled{};
    for (std::size_t box = 0; box < 7; ++box) {
        enabled[box] = m_weekdays[box]->isEnabled();
    }
    m_calendar->setFirstDayOfWeek(monday ? Qt::Monday : Qt::Sunday);
    paintBoxCaptions();
    setBoxes(weekdayBoxesOf(mask, monday));
    for (std::size_t box = 0; box < 7; ++box) {
        const std::size_t from = monday ? (box + 1) % 7 : (box + 6) % 7;
        m_weekdays[box]->setEnabled(enabled[from]);
    }
    emit weekStartToggled(monday);
}

void GeneralTab::setBoxes(const std::array<bool, 7>& values)
{
    for (std::size_t box = 0; box < 7; ++box) {
        m_weekdays[box]->setChecked(values[box]);
    }
}

std::array<bool, 7> GeneralTab::boxes() const
{
    std::array<bool, 7> values{};
    for (std::size_t box = 0; box < 7; ++box) {
        values[box] = m_weekdays[box]->isChecked();
    }
    return values;
}

void GeneralTab::enableBoxes(bool enabled)
{
    for (QCheckBox* box : m_weekdays) {
        box->setEnabled(enabled);
    }
}

void GeneralTab::paintBoxCaptions()
{
    const bool monday = weekStartsMonday();
    const QStringList& captions = monday ? kMondayFirst : kSundayFirst;
    for (int box = 0; box < 7; ++box) {
        QCheckBox* check = m_weekdays[static_cast<std::size_t>(box)];
        check->setText(captions[box]);
        check->setAccessibleName(QStringLiteral("曜日 ") + captions[box]);
        const int bit = weekdayBoxBit(box, monday);
        const QString colour = bit == kSunday ? QStringLiteral("#ff0000")
            : bit == kSaturday                ? QStringLiteral("#0000ff")
                                              : QStringLiteral("#000000");
        check->setStyleSheet(QStringLiteral("QCheckBox { color: %1; }").arg(colour));
    }
}

void GeneralTab::dayOfMonthEdited()
{
    const FilteredText cleaned = keepDigits(m_dayOfMonth->text().toStdString());
    if (cleaned.removed) {
        m_dayOfMonth->setText(QString::fromStdString(cleaned.text));
        m_dayOfMonth->end(false);
    }
    if (dayOfMonthWrong(cleaned.text)) {
        emit dayOfMonthRefused();
    }
}

void GeneralTab::keypadDigit(int digit)
{
    if (m_lastFocusedBox < 0) {
        return;
    }
    const int first = m_lastFocusedBox < kEndHourTens ? kStartHourTens : kEndHourTens;
    const KeypadEffect effect = keypadPress(m_lastFocusedBox, digit, timeBox(first)->text().toStdString());
    for (const auto& [box, text] : effect.writes) {
        TimeEntry* entry = box < kEndHourTens ? m_start : m_end;
        entry->writeBox(box % 4, QString::fromStdString(text));
    }
    if (effect.focus != kNoBox) {
        moveFocus(effect.focus, true);
    } else if (effect.selectBox != kNoBox) {
        timeBox(effect.selectBox)->selectAll();
    }
}

void GeneralTab::moveFocus(int box, bool selectAll)
{
    QLineEdit* target = timeBox(box);
    m_lastFocusedBox = box;
    if (isVisible()) {
        target->setFocus();
    }
    if (selectAll) {
        target->selectAll();
    }
}

} // namespace kvx
