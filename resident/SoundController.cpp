#include "resident/SoundController.h"

#include "core/Records.h"

#include <QFileInfo>

namespace kvx {

namespace {

using Kind = VolumeDevices::Kind;

} // namespace

SoundController::SoundController(MediaChannel& media, WaveFallback& fallback, VolumeDevices& devices)
    : m_media(media)
    , m_fallback(fallback)
    , m_devices(devices)
{
}

std::uint32_t SoundController::sliderToVolume(int slider)
{
    const auto level = static_cast<std::uint32_t>(slider + 32768);
    return level * 65537U;
}

int SoundController::volumeToSlider(std::uint32_t volume)
{
    const int slider = static_cast<int>(volume & 0xFFFFU) - 32768;
    return slider < -32767 ? -32767 : slider;
}

void SoundController::setChosenDevices(const QString& midiDevice, const QString& waveDevice)
{
    m_chosenMidi = midiDevice;
    m_chosenWave = waveDevice;
}

std::uint32_t SoundController::switchDevice(Kind kind, const QString& name)
{
    restore(kind);
    if (kind == Kind::Midi) {
        m_chosenMidi = name;
        m_savedMidi = readVolume(kind, name, m_currentMidi);
        return m_savedMidi.volume;
    }
    m_chosenWave = name;
    m_savedWave = readVolume(kind, name, m_currentWave);
    return m_savedWave.volume;
}

int SoundController::findDevice(Kind kind, const QString& name)
{
    // No device chosen: nothing to look for, and the device list (a question
    // to the sound server) is not read.
    if (name.isEmpty()) {
        return -1;
    }
    const auto list = m_devices.devices(kind);
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].name == name && list[i].supportsVolume) {
            return i;
        }
    }
    return -1;
}

SoundController::Saved SoundController::readVolume(Kind kind, const QString& name, QString& current)
{
    current = name;
    Saved saved;
    const int index = findDevice(kind, name);
    if (index < 0 || !m_devices.volume(kind, index, saved.volume)) {
        return {};
    }
    saved.muted = m_devices.muted(kind, index);
    return saved;
}

void SoundController::saveVolumes()
{
    m_savedMidi = readVolume(Kind::Midi, m_chosenMidi, m_currentMidi);
    m_savedWave = readVolume(Kind::Wave, m_chosenWave, m_currentWave);
}

void SoundController::restore(Kind kind)
{
    const bool midi = kind == Kind::Midi;
    const int index = findDevice(kind, midi ? m_currentMidi : m_currentWave);
    if (index < 0) {
        return;
    }
    const Saved& saved = midi ? m_savedMidi : m_savedWave;
    m_devices.setVolume(kind, index, saved.volume);
    m_devices.setMuted(kind, index, saved.muted);
}

void SoundController::restoreVolumes()
{
    restore(Kind::Midi);
    restore(Kind::Wave);
}

void SoundController::applyVolume(Kind kind, std::uint32_t volume)
{
    // Every MIDI device, without condition; only the chosen wave device.
    auto apply = [this, kind, volume](int index) {
        m_devices.setVolume(kind, index, volume);
        m_devices.setMuted(kind, index, false);
    };
    if (kind == Kind::Midi) {
        for (int i = 0; i < m_devices.devices(Kind::Midi).size(); ++i) {
            apply(i);
        }
    } else if (const int wave = findDevice(Kind::Wave, m_chosenWave); wave >= 0) {
        apply(wave);
    }
}

void SoundController::setAlarmVolumes(std::uint32_t midiVolume, std::uint32_t waveVolume)
{
    applyVolume(Kind::Midi, midiVolume);
    applyVolume(Kind::Wave, waveVolume);
}

void SoundController::closeOpenSound()
{
    const MediaStatus state = m_media.status();
    if (state == MediaStatus::Playing) {
        m_media.stop();
        m_media.close();
    } else if (state == MediaStatus::Stopped) {
        m_media.close();
    }
}

SoundController::SoundKind SoundController::startAlarmSound(const AlarmRecord& alarm)
{
    closeOpenSound();
    setAlarmVolumes(
        static_cast<std::uint32_t>(alarm.midiVolume), static_cast<std::uint32_t>(alarm.waveVolume));
    const QString file = QString::fromStdString(alarm.soundFile);
    if (m_media.open(file) && m_media.play()) {
        return kMediaChannel;
    }
    m_media.close();
    if (file.right(4).compare(QLatin1String(".wav"), Qt::CaseInsensitive) == 0 && m_fallback.play(file)) {
        return kWaveFallback;
    }
    return kNoSound;
}

void SoundController::endTestSound()
{
    m_testSoundPlaying = false;
    m_media.stop();
    m_media.close();
    restoreVolumes();
}

SoundController::TestOutcome SoundController::toggleTestSound(
    const QString& file, int midiSlider, int waveSlider)
{
    const MediaStatus state = m_media.status();
    if (state == MediaStatus::Playing) {
        endTestSound();
        return TestOutcome::Stopped;
    }
    if (!QFileInfo(file).isFile()) {
        return TestOutcome::NoFile;
    }
    if (state == MediaStatus::Stopped) {
        m_media.close();
    }
    if (!m_media.open(file)) {
        m_media.close();
        return TestOutcome::Unplayable;
    }
    m_testSoundPlaying = true;
    setAlarmVolumes(sliderToVolume(midiSlider), sliderToVolume(waveSlider));
    if (!m_media.play()) {
        m_media.close();
        m_testSoundPlaying = false;
        restoreVolumes();
        return TestOutcome::Unplayable;
    }
    return TestOutcome::Playing;
}

bool SoundController::testSoundEnded()
{
    if (!m_testSoundPlaying) {
        return true;
    }
    if (m_media.status() == MediaStatus::Playing) {
        return false;
    }
    m_testSoundPlaying = false;
    m_media.close();
    restoreVolumes();
    return true;
}

void SoundController::sliderMoved(Kind kind, int slider, bool alarmSounding)
{
    if (m_media.status() == MediaStatus::Playing && m_testSoundPlaying) {
        applyVolume(kind, sliderToVolume(slider));
        return;
    }
    if (!alarmSounding) {
        m_testSoundPlaying = false;
        restore(kind);
    }
}

void SoundController::stopTestSound()
{
    if (!m_testSoundPlaying) {
        return;
    }
    const MediaStatus state = m_media.status();
    if (state == MediaStatus::Playing) {
        endTestSound();
    } else if (state == MediaStatus::Stopped) {
        m_testSoundPlaying = false;
        restoreVolumes();
    }
}

} // namespace kvx
