#pragma once

#include "calendar/CalendarWindow.h"
#include "doubles/FakeClock.h"
#include "doubles/FakeDatagramSender.h"
#include "doubles/FakePrompter.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace kvx {

inline AlarmRecord daily(int hour, int minute, const char* message)
{
    AlarmRecord record;
    record.kind = kKindDaily;
    record.startTime = OleDate::fromCivil(2026, 1, 1, hour, minute);
    record.endTime = record.startTime;
    record.message = message;
    return record;
}

// The calendar window over the shared tables, its clock at Saturday 2026-01-31 10:00.
class CalendarWindowTest : public ::testing::Test {
public:
    CalendarWindowTest()
        : m_clock(QDateTime(QDate(2026, 1, 31), QTime(10, 0)))
        , m_settings(m_dir.path().toStdString() + "/")
        , m_store(m_settings)
    {
        m_settings.setDataPath(m_settings.defaultDataPath());
        m_store.saver().setTablesLoaded(true);
    }

    void open(int alarms = 0)
    {
        for (int i = 0; i < alarms; ++i) {
            m_store.addAlarm(daily(9 + i % 14, i % 60, "定例"));
        }
        CalendarContext context{m_store, m_settings, m_view, m_clock, m_prompter, m_datagrams, m_sounding};
        m_window = std::make_unique<CalendarWindow>(context);
        m_window->show();
    }

    template <class T = QWidget> T* get(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QAction* action(const char* name) const { return get<QAction>(name); }
    void click(const char* button) const { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }

    int savedAlarms() const
    {
        SharedTables saved;
        EXPECT_TRUE(DataFile().load(saved, m_settings.dataPath(), {}));
        return saved.alarms.alarmCount;
    }
    void clearTables() { m_store.replaceData({}); }

protected:
    // Whether an alarm sounds, as the window asks the resident service.
    struct Sounding final : SoundingState {
        bool on = false;
        bool alarmSounding() const override { return on; }
    };

    QTemporaryDir m_dir;
    FakeClock m_clock;
    FakePrompter m_prompter;
    FakeDatagramSender m_datagrams;
    Settings m_settings;
    AlarmStore m_store;
    const SharedTables& m_tables = m_store.tables();
    ViewState m_view;
    Sounding m_sounding;
    std::unique_ptr<CalendarWindow> m_window;
};

} // namespace kvx
