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
        , m_saver(m_tables, m_settings, m_dataFile)
    {
        m_settings.setDataPath(m_settings.defaultDataPath());
        m_saver.setTablesLoaded(true);
    }

    void open(int alarms = 0)
    {
        for (int i = 0; i < alarms; ++i) {
            m_tables.alarms.add(daily(9 + i % 14, i % 60, "定例"));
        }
        CalendarContext context{m_tables, m_settings, m_dataFile, m_view, m_saver, m_clock, m_prompter,
            m_datagrams, [this] { return m_sounding; }, {}};
        m_window = std::make_unique<CalendarWindow>(std::move(context));
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
        EXPECT_TRUE(m_dataFile.load(saved, m_settings.dataPath(), {}));
        return saved.alarms.alarmCount;
    }

protected:
    QTemporaryDir m_dir;
    FakeClock m_clock;
    FakePrompter m_prompter;
    FakeDatagramSender m_datagrams;
    SharedTables m_tables;
    Settings m_settings;
    mutable DataFile m_dataFile;
    ViewState m_view;
    SaveRoutine m_saver;
    bool m_sounding = false;
    std::unique_ptr<CalendarWindow> m_window;
};

} // namespace kvx
