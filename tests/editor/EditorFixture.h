#pragma once

#include "app/Application.h"
#include "core/DataFile.h"
#include "doubles/FakeDesktop.h"
#include "editor/AlarmListModel.h"
#include "support/QtPrinters.h"

#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace kvx {

// The whole program over the platform doubles with the editor open, its clock
// standing at Tuesday 2026-12-08 09:00:00.
class EditorTest : public ::testing::Test {
public:
    EditorTest()
        : m_desktop(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0)))
    {
        m_desktop.volumes.addDevice(
            VolumeDevices::Kind::Midi, QStringLiteral("Kalvendorix MIDI"), 0x20002000U);
        m_desktop.volumes.addDevice(
            VolumeDevices::Kind::Wave, QStringLiteral("内蔵オーディオ"), 0x40004000U, true);
        const Settings settings(folder());
        settings.writeSettingToBoth("MIDINM", "Kalvendorix MIDI");
        settings.writeSettingToBoth("WAVENM", "内蔵オーディオ");
        // The open action shows the editor rather than the calendar.
        settings.writeSettingToBoth("DEFFORM", "1");
    }

    std::string folder() const { return m_dir.path().toStdString() + "/"; }

    // Writes a data file with these alarms, starts the program and opens the editor.
    void startWith(const std::vector<AlarmRecord>& alarms = {})
    {
        SharedTables earlier;
        for (const AlarmRecord& alarm : alarms) {
            earlier.alarms.add(alarm);
        }
        ASSERT_TRUE(DataFile().save(earlier, Settings(folder()).defaultDataPath(), OleDate()));
        m_app = std::make_unique<Application>(folder(), m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(m_app->start(), ResidentWindow::Start::Running);
        m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
        ASSERT_NE(m_app->editor(), nullptr);
        ASSERT_TRUE(m_app->editor()->isVisible());
        // Focus events need the active window, as on a desktop.
        m_app->editor()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_app->editor()));
    }

    template <class T = QWidget> T* get(const char* name) const
    {
        T* widget = m_app->editor()->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* edit(const char* name) const { return get<QLineEdit>(name); }
    QAbstractButton* button(const char* name) const { return get<QAbstractButton>(name); }
    void click(const char* name) const { button(name)->click(); }
    // Types as a keyboard does, full-width characters included.
    static void type(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // Brings a tab of SSTab1 to the front, as a user does before using its controls.
    void showTab(int index) const { get<QTabWidget>("SSTab1")->setCurrentIndex(index); }

    // Sets the start and end times "hhmm" without typing.
    void setTimes(const char* start, const char* end) const
    {
        const char* startBoxes[] = {"Text1", "Text2", "Text3", "Text4"};
        const char* endBoxes[] = {"Text12", "Text13", "Text14", "Text15"};
        for (int i = 0; i < 4; ++i) {
            edit(startBoxes[i])->setText(QString(QLatin1Char(start[i])));
            edit(endBoxes[i])->setText(QString(QLatin1Char(end[i])));
        }
    }
    void chooseDate(const QDate& date) const
    {
        auto* calendar = get<QCalendarWidget>("MonthView1");
        calendar->setSelectedDate(date);
        emit calendar->clicked(date);
    }
    AlarmListModel* model() const { return m_app->editor()->listModel(); }
    QStringList rows() const
    {
        QStringList texts;
        for (int row = 0; row < model()->rowCount(); ++row) {
            texts << model()->data(model()->index(row), Qt::DisplayRole).toString();
        }
        return texts;
    }
    void selectRows(std::initializer_list<int> rows) const
    {
        QListView* list = m_app->editor()->list();
        list->clearSelection();
        for (const int row : rows) {
            list->selectionModel()->setCurrentIndex(model()->index(row), QItemSelectionModel::Select);
        }
    }
    void clickRow(int row) const
    {
        QListView* list = m_app->editor()->list();
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualRect(model()->index(row)).center());
    }
    const AlarmTable& alarms() const { return m_app->tables().alarms; }
    const AlarmRecord& alarm(int index) const { return alarms().alarms[static_cast<std::size_t>(index)]; }

    static AlarmRecord dailyAt(int h, int m, const char* message)
    {
        AlarmRecord alarm;
        alarm.kind = kKindDaily;
        alarm.weekdayMask = 127;
        alarm.startTime = OleDate::fromCivil(2026, 12, 1, h, m);
        alarm.endTime = alarm.startTime;
        alarm.message = message;
        alarm.blinkCount = 10;
        alarm.fontName = kDefaultFontName;
        alarm.fontSize = 12;
        alarm.backColor = kButtonFaceColor;
        alarm.textColorIndex = 7;
        alarm.backColorIndex = 5;
        return alarm;
    }

    QTemporaryDir m_dir;
    FakeDesktop m_desktop;
    std::unique_ptr<Application> m_app;
};

} // namespace kvx
