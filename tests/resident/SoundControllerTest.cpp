#include "ResidentFixture.h"

#include <QFile>

namespace kvx {
namespace {

TEST(SoundController, SliderPacking)
{
    struct Row {
        const char* name;
        int slider;
        std::uint32_t volume;
    };
    const Row rows[] = {
        {"top packs both channels full", 32767, 4294967295U},
        {"bottom is level 1 in both channels", -32767, 65537U},
        {"middle", 0, 32768U * 65537U},
        {"one step up", 100, 32868U * 65537U},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SoundController::sliderToVolume(row.slider), row.volume) << row.name;
        EXPECT_EQ(SoundController::volumeToSlider(row.volume), row.slider) << row.name;
    }
    EXPECT_EQ(SoundController::volumeToSlider(0), -32767) << "a silent left channel stays on the slider";
    EXPECT_EQ(SoundController::volumeToSlider(0xFFFF0000U), -32767) << "only the left channel counts";
    EXPECT_EQ(SoundController::volumeToSlider(0x0000FFFFU), 32767);
}

class SoundControllerTest : public ResidentTest {
protected:
    SoundControllerTest()
        : m_sound(m_media, m_fallback, m_volumes)
        , m_testFile(m_dir.filePath(QStringLiteral("test.wav")))
    {
        m_sound.setChosenDevices(QStringLiteral("Kalvendorix MIDI"), QStringLiteral("内蔵オーディオ"));
        m_sound.saveVolumes();
        QFile file(m_testFile);
        file.open(QIODevice::WriteOnly);
        m_log.clear();
    }
    SoundController m_sound;
    QString m_testFile;
};

TEST_F(SoundControllerTest, SavedVolumesComeFromTheChosenDevices)
{
    EXPECT_EQ(m_sound.savedWaveVolume(), kSavedWave);
    EXPECT_EQ(m_sound.savedMidiVolume(), kSavedMidi);

    // A device that is not there reads as 0 and restores nothing.
    SoundController other(m_media, m_fallback, m_volumes);
    other.setChosenDevices(QStringLiteral("gone"), QString());
    other.saveVolumes();
    EXPECT_EQ(other.savedMidiVolume(), 0U);
    EXPECT_EQ(other.savedWaveVolume(), 0U);
    m_log.clear();
    other.restoreVolumes();
    EXPECT_TRUE(m_log.isEmpty()) << m_log.join(", ").toStdString();
}

TEST_F(SoundControllerTest, RestoreWritesToTheDevicesLastRead)
{
    m_sound.setAlarmVolumes(4294967295U, 4294967295U);
    EXPECT_EQ(wave(0).volume, 4294967295U);
    EXPECT_FALSE(wave(0).muted) << "an alarm's own volume unmutes the device";
    EXPECT_EQ(wave(1).volume, 4294967295U) << "untouched from the start";
    // The editor picks another wave device; restoring still goes to the one read.
    m_sound.setChosenDevices(QStringLiteral("Kalvendorix MIDI"), QStringLiteral("HDMI"));
    m_sound.restoreVolumes();
    EXPECT_EQ(wave(0).volume, kSavedWave);
    EXPECT_TRUE(wave(0).muted);
    EXPECT_EQ(m_volumes.state(Kind::Midi, 0)->volume, kSavedMidi);
}

TEST_F(SoundControllerTest, TestSoundTogglesAndRestores)
{
    m_sound.toggleTestSound(m_testFile, 32767, -32767);
    EXPECT_TRUE(m_sound.testSoundPlaying());
    EXPECT_EQ(m_volumes.state(Kind::Midi, 0)->volume, 4294967295U);
    EXPECT_EQ(wave(0).volume, 65537U);
    EXPECT_EQ(m_media.status(), MediaStatus::Playing);

    m_sound.toggleTestSound(m_testFile, 32767, -32767);
    EXPECT_FALSE(m_sound.testSoundPlaying());
    EXPECT_EQ(m_media.status(), MediaStatus::Closed);
    EXPECT_EQ(wave(0).volume, kSavedWave);
    EXPECT_TRUE(wave(0).muted);
    EXPECT_EQ(m_volumes.state(Kind::Midi, 0)->volume, kSavedMidi);
}

// The volumes are raised only for a file that plays, and come back when the
// test cannot play or comes to its end by itself.
TEST_F(SoundControllerTest, TheTestTouchesTheVolumesOnlyWhileItPlays)
{
    using Outcome = SoundController::TestOutcome;
    struct Row {
        const char* name;
        QString file;
        Outcome outcome;
    };
    m_media.setMissing(m_dir.filePath(QStringLiteral("broken.wav")));
    QFile(m_dir.filePath(QStringLiteral("broken.wav"))).open(QIODevice::WriteOnly);
    const Row rows[] = {
        {"no file there", m_dir.filePath(QStringLiteral("gone.wav")), Outcome::NoFile},
        {"a folder", m_dir.path(), Outcome::NoFile},
        {"a file that cannot be played", m_dir.filePath(QStringLiteral("broken.wav")), Outcome::Unplayable},
        {"a file that plays to its end", m_testFile, Outcome::Playing},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(m_sound.toggleTestSound(row.file, 32767, 32767), row.outcome) << row.name;
        EXPECT_EQ(m_sound.testSoundEnded(), row.outcome != Outcome::Playing) << row.name;
        m_media.endPlayback();
        EXPECT_TRUE(m_sound.testSoundEnded()) << row.name;
        EXPECT_EQ(wave(0).volume, kSavedWave) << row.name;
        EXPECT_TRUE(wave(0).muted) << row.name;
        EXPECT_EQ(m_media.status(), MediaStatus::Closed) << row.name;
    }
}

TEST_F(SoundControllerTest, SliderMoves)
{
    struct Row {
        const char* name;
        bool testPlaying;
        bool alarmSounding;
        std::uint32_t waveAfter;
    };
    const Row rows[] = {
        {"while the test plays the slider applies at once", true, false,
            SoundController::sliderToVolume(1000)},
        {"no test playing restores the saved volume", false, false, kSavedWave},
        {"while an alarm rings nothing changes", false, true, 123456U},
    };
    for (const Row& row : rows) {
        m_media.close();
        m_sound.clearTestSound();
        if (row.testPlaying) {
            m_sound.toggleTestSound(m_testFile, 0, 0);
        }
        m_volumes.setVolume(Kind::Wave, 0, 123456U);
        m_sound.sliderMoved(Kind::Wave, 1000, row.alarmSounding);
        EXPECT_EQ(wave(0).volume, row.waveAfter) << row.name;
        EXPECT_EQ(m_sound.testSoundPlaying(), row.testPlaying) << row.name;
    }
}

TEST_F(SoundControllerTest, StopTestRestoresOnlyWhenATestPlayed)
{
    m_sound.stopTestSound();
    EXPECT_TRUE(m_log.isEmpty());
    m_sound.toggleTestSound(m_testFile, 0, 0);
    m_media.endPlayback();
    m_sound.stopTestSound();
    EXPECT_FALSE(m_sound.testSoundPlaying());
    EXPECT_EQ(wave(0).volume, kSavedWave);
}

TEST_F(SoundControllerTest, StartAlarmSoundClosesWhatIsStillOpen)
{
    AlarmRecord alarm = dailyAlarm(7, 30);
    m_sound.toggleTestSound(m_testFile, 0, 0);
    m_log.clear();
    EXPECT_EQ(m_sound.startAlarmSound(alarm), SoundController::kMediaChannel);
    EXPECT_EQ(m_log.mid(0, 2), QStringList({"stop", "close"}));
    m_media.setMissing(QStringLiteral("/sounds/gone.mp3"));
    alarm.soundFile = "/sounds/gone.mp3";
    EXPECT_EQ(m_sound.startAlarmSound(alarm), SoundController::kNoSound);
}

} // namespace
} // namespace kvx
