#pragma once

#include "core/ProfileFile.h"
#include "core/Records.h"
#include "core/Settings.h"
#include "doubles/FakeAutostart.h"
#include "doubles/FakeClock.h"
#include "doubles/FakeDatagramSender.h"
#include "doubles/FakeInstanceGuard.h"
#include "doubles/FakeLauncher.h"
#include "doubles/FakeMediaChannel.h"
#include "doubles/FakeNotifier.h"
#include "doubles/FakePrompter.h"
#include "doubles/FakeTrayIcon.h"
#include "doubles/FakeVolumeDevices.h"
#include "doubles/FakeWakeAlarm.h"
#include "doubles/FakeWallClockWatch.h"
#include "doubles/FakeWaveFallback.h"
#include "resident/ResidentWindow.h"
#include "store/AlarmStore.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>

namespace kvx {

// A whole resident service over the platform doubles, its files in a
// temporary directory, its clock standing at 2026-12-08 07:29:50.
class ResidentTest : public ::testing::Test {
protected:
    using Kind = VolumeDevices::Kind;

    static constexpr std::uint32_t kSavedWave = 0x40004000U;
    static constexpr std::uint32_t kSavedMidi = 0x20002000U;

    ResidentTest()
        : m_settings(m_dir.path().toStdString() + "/")
        , m_store(m_settings)
        , m_tables(m_store.tables())
        , m_clock(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)))
        , m_media(&m_log)
        , m_fallback(&m_log)
        , m_volumes(&m_log)
        , m_services{m_clock, m_prompter, m_tray, m_media, m_fallback, m_volumes, m_instance, m_autostart,
              m_launcher, m_datagrams, m_wallClock, m_notifier, m_wake}
    {
        m_volumes.addDevice(Kind::Midi, QStringLiteral("Kalvendorix MIDI"), kSavedMidi);
        m_volumes.addDevice(Kind::Wave, QStringLiteral("内蔵オーディオ"), kSavedWave, true);
        m_volumes.addDevice(Kind::Wave, QStringLiteral("HDMI"), 0xFFFFFFFFU);
        writeMain("MIDINM", "Kalvendorix MIDI");
        writeMain("WAVENM", "内蔵オーディオ");
        m_resident = std::make_unique<ResidentWindow>(m_store, m_settings, m_services);
    }

    void writeMain(const std::string& key, const std::string& value)
    {
        ProfileFile(m_settings.mainFile()).write(kSettingsSection, key, value);
    }
    std::string readMain(const std::string& key) const
    {
        return ProfileFile(m_settings.mainFile()).readString(kSettingsSection, key, "<absent>");
    }

    void start()
    {
        ASSERT_EQ(m_resident->startUp(), ResidentWindow::Start::Running);
        m_log.clear();
    }

    // A daily alarm with a sound, ringing at h:m.
    static AlarmRecord dailyAlarm(int h, int m)
    {
        AlarmRecord alarm;
        alarm.startTime = OleDate::fromCivil(2026, 12, 1, h, m);
        alarm.endTime = alarm.startTime;
        alarm.kind = kKindDaily;
        alarm.message = "会議の時間です";
        alarm.sound = 1;
        alarm.soundFile = "/sounds/bell.mp3";
        alarm.midiVolume = static_cast<std::int32_t>(0xFFFFFFFFU);
        alarm.waveVolume = static_cast<std::int32_t>(0x80008000U);
        alarm.blinkCount = 3;
        alarm.backColor = kButtonFaceColor;
        alarm.fontName = kDefaultFontName;
        alarm.fontSize = 12;
        return alarm;
    }

    // Adds an alarm as a window does, through the store: the alarm tick follows it.
    int addAlarm(const AlarmRecord& alarm) { return m_store.addAlarm(alarm); }
    void clearAlarms() { m_store.replaceData({}); }

    // Advances the clock to hh:mm:ss of the test day, firing every tick on the way.
    void advanceTo(int h, int m, int s, int ms = 0)
    {
        const QDateTime target(QDate(2026, 12, 8), QTime(h, m, s, ms));
        m_clock.advanceMs(m_clock.now().msecsTo(target));
    }

    const FakeVolumeDevices::State& wave(int index) const { return *m_volumes.state(Kind::Wave, index); }

    QTemporaryDir m_dir;
    Settings m_settings;
    AlarmStore m_store;
    const SharedTables& m_tables;
    QStringList m_log;
    FakeClock m_clock;
    FakePrompter m_prompter;
    FakeTrayIcon m_tray;
    FakeMediaChannel m_media;
    FakeWaveFallback m_fallback;
    FakeVolumeDevices m_volumes;
    FakeInstanceGuard m_instance;
    FakeAutostart m_autostart;
    FakeLauncher m_launcher;
    FakeDatagramSender m_datagrams;
    FakeWallClockWatch m_wallClock;
    FakeNotifier m_notifier;
    FakeWakeAlarm m_wake;
    ResidentServices m_services;
    std::unique_ptr<ResidentWindow> m_resident;
};

} // namespace kvx
