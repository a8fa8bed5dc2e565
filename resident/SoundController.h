#pragma once

#include "platform/MediaChannel.h"
#include "platform/VolumeDevices.h"

#include <QString>

#include <cstdint>

namespace kvx {

struct AlarmRecord;

// Everything audible: the one media channel, the wave fallback, and the device
// volumes that are raised for an alarm or a test and restored afterwards.
// Raising a device's volume also unmutes it; restoring brings back both.
class SoundController {
public:
    enum SoundKind : int { kNoSound = 0, kMediaChannel = 1, kWaveFallback = 2 };

    SoundController(MediaChannel& media, WaveFallback& fallback, VolumeDevices& devices);

    // Slider range -32767..32767; the level is slider + 32768 in both channels.
    static std::uint32_t sliderToVolume(int slider);
    static int volumeToSlider(std::uint32_t volume);

    // The chosen devices: the saved names while starting up, later the editor's choice.
    void setChosenDevices(const QString& midiDevice, const QString& waveDevice);
    // Another device of this kind was chosen: the one read before gets its
    // saved volume back, and the new one's volume is saved and returned.
    std::uint32_t switchDevice(VolumeDevices::Kind kind, const QString& name);
    const QString& chosenMidiDevice() const { return m_chosenMidi; }
    const QString& chosenWaveDevice() const { return m_chosenWave; }

    // Reads the chosen devices' volumes and mute states as the ones to restore.
    void saveVolumes();
    std::uint32_t savedMidiVolume() const { return m_savedMidi.volume; }
    std::uint32_t savedWaveVolume() const { return m_savedWave.volume; }
    void restoreVolumes();

    // Fire step: ends a sound still open, raises the volumes, plays the file.
    SoundKind startAlarmSound(const AlarmRecord& alarm);
    void setAlarmVolumes(std::uint32_t midiVolume, std::uint32_t waveVolume);

    // The editor's sound test, and its volume sliders. A test that plays is
    // stopped; else the file is looked for first, and the volumes are raised
    // only for a file that plays, and put back when it cannot.
    enum class TestOutcome { Stopped, Playing, NoFile, Unplayable };
    TestOutcome toggleTestSound(const QString& file, int midiSlider, int waveSlider);
    // Looked at while a test plays: a test sound that has come to its end is
    // closed and the volumes come back. True once no test plays.
    bool testSoundEnded();
    void sliderMoved(VolumeDevices::Kind kind, int slider, bool alarmSounding);
    void stopTestSound();
    bool testSoundPlaying() const { return m_testSoundPlaying; }
    void clearTestSound() { m_testSoundPlaying = false; }

    MediaChannel& media() { return m_media; }
    WaveFallback& fallback() { return m_fallback; }
    VolumeDevices& devices() { return m_devices; }

private:
    struct Saved {
        std::uint32_t volume = 0;
        bool muted = false;
    };

    Saved readVolume(VolumeDevices::Kind kind, const QString& name, QString& current);
    void restore(VolumeDevices::Kind kind);
    // Sets a device's volume for an alarm or a test, and unmutes it.
    void applyVolume(VolumeDevices::Kind kind, std::uint32_t volume);
    void endTestSound();
    int findDevice(VolumeDevices::Kind kind, const QString& name);
    void closeOpenSound();

    MediaChannel& m_media;
    WaveFallback& m_fallback;
    VolumeDevices& m_devices;
    QString m_chosenMidi;
    QString m_chosenWave;
    QString m_currentMidi;
    QString m_currentWave;
    Saved m_savedMidi;
    Saved m_savedWave;
    bool m_testSoundPlaying = false;
};

} // namespace kvx
