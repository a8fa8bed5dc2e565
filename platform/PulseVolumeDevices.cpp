#include "platform/PulseVolumeDevices.h"

#include "platform/PulseSinks.h"
#include "platform/SoftwareMidiDevice.h"

namespace kvx {

PulseVolumeDevices::PulseVolumeDevices(SoftwareMidiDevice& midi, const QByteArray& server)
    : m_midi(midi)
    , m_sinks(std::make_unique<PulseSinks>(server))
{
}

PulseVolumeDevices::~PulseVolumeDevices() = default;

QList<VolumeDevices::Device> PulseVolumeDevices::devices(Kind kind)
{
    QList<Device> list;
    if (kind == Kind::Midi) {
        list.append(Device{SoftwareMidiDevice::deviceName(), true});
        return list;
    }
    for (const QString& name : m_sinks->names()) {
        list.append(Device{name, true});
    }
    return list;
}

bool PulseVolumeDevices::volume(Kind kind, int index, std::uint32_t& packed)
{
    if (kind == Kind::Wave) {
        return m_sinks->volume(index, packed);
    }
    if (index != 0) {
        return false;
    }
    packed = m_midi.volume();
    return true;
}

bool PulseVolumeDevices::setVolume(Kind kind, int index, std::uint32_t packed)
{
    if (kind == Kind::Wave) {
        return m_sinks->setVolume(index, packed);
    }
    if (index != 0) {
        return false;
    }
    m_midi.setVolume(packed);
    return true;
}

bool PulseVolumeDevices::muted(Kind kind, int index)
{
    if (kind == Kind::Wave) {
        return m_sinks->muted(index);
    }
    return index == 0 && m_midi.muted();
}

bool PulseVolumeDevices::setMuted(Kind kind, int index, bool muted)
{
    if (kind == Kind::Wave) {
        return m_sinks->setMuted(index, muted);
    }
    if (index != 0) {
        return false;
    }
    m_midi.setMuted(muted);
    return true;
}

} // namespace kvx
