#include "resident/SoundDevices.h"

#include "resident/DeviceChooser.h"
#include "resident/SoundController.h"
#include "store/AlarmStore.h"

namespace kvx {

SoundDevices::SoundDevices(
    AlarmStore& store, Settings& settings, SoundController& sound, VolumeDevices& volumes, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_sound(sound)
    , m_volumes(volumes)
{
}

void SoundDevices::choose(QWidget* parent)
{
    const std::optional<std::string> midi = m_settings.storedSetting("MIDINM");
    const std::optional<std::string> wave = m_settings.storedSetting("WAVENM");
    // Both chosen: whatever the lists offer, nothing is asked, so they are not read.
    if (!asksForSoundDevices(midi, wave, true, true)) {
        return;
    }
    DeviceChooser chooser(m_volumes, m_sound.chosenMidiDevice(), parent);
    if (!asksForSoundDevices(midi, wave, !chooser.midiDevice().isEmpty(), !chooser.waveDevice().isEmpty())) {
        return;
    }
    chooser.exec();
    adopt(chooser.midiDevice(), chooser.waveDevice());
}

void SoundDevices::adopt(const QString& midiDevice, const QString& waveDevice)
{
    m_sound.setChosenDevices(midiDevice, waveDevice);
    AlarmDefaults& defaults = m_store.defaults();
    defaults.midiDevice = midiDevice.toStdString();
    defaults.waveDevice = waveDevice.toStdString();
    m_settings.writeSettingToBoth("MIDINM", defaults.midiDevice);
    m_settings.writeSettingToBoth("WAVENM", defaults.waveDevice);
}

} // namespace kvx
