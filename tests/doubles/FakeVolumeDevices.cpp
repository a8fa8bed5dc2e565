#include "doubles/FakeVolumeDevices.h"

namespace kvx {

FakeVolumeDevices::FakeVolumeDevices(QStringList* log)
    : m_log(log ? log : &m_ownLog)
{
}

int FakeVolumeDevices::addDevice(
    Kind kind, const QString& name, std::uint32_t volume, bool muted, bool supportsVolume)
{
    list(kind).append(State{Device{name, supportsVolume}, volume, muted});
    return static_cast<int>(list(kind).size()) - 1;
}

QList<VolumeDevices::Device> FakeVolumeDevices::devices(Kind kind)
{
    ++(kind == Kind::Midi ? m_midiListReads : m_waveListReads);
    QList<Device> result;
    for (const State& state : list(kind)) {
        result.append(state.device);
    }
    return result;
}

bool FakeVolumeDevices::volume(Kind kind, int index, std::uint32_t& packed)
{
    record(QStringLiteral("volume"), kind, index);
    const State* device = volumeDevice(kind, index);
    if (!device) {
        return false;
    }
    packed = device->volume;
    return true;
}

bool FakeVolumeDevices::setVolume(Kind kind, int index, std::uint32_t packed)
{
    record(QStringLiteral("setVolume"), kind, index, QString::number(packed));
    State* device = volumeDevice(kind, index);
    if (!device) {
        return false;
    }
    device->volume = packed;
    return true;
}

bool FakeVolumeDevices::muted(Kind kind, int index)
{
    record(QStringLiteral("muted"), kind, index);
    const State* device = volumeDevice(kind, index);
    return device && device->muted;
}

bool FakeVolumeDevices::setMuted(Kind kind, int index, bool muted)
{
    record(QStringLiteral("setMuted"), kind, index, muted ? QStringLiteral("true") : QStringLiteral("false"));
    State* device = volumeDevice(kind, index);
    if (!device) {
        return false;
    }
    device->muted = muted;
    return true;
}

const FakeVolumeDevices::State* FakeVolumeDevices::state(Kind kind, int index) const
{
    const QList<State>& devices = kind == Kind::Midi ? m_midi : m_wave;
    if (index < 0 || index >= devices.size()) {
        return nullptr;
    }
    return &devices[index];
}

QString FakeVolumeDevices::kindName(Kind kind)
{
    return kind == Kind::Midi ? QStringLiteral("Midi") : QStringLiteral("Wave");
}

// Only devices that exist and support volume answer.
FakeVolumeDevices::State* FakeVolumeDevices::volumeDevice(Kind kind, int index)
{
    QList<State>& devices = list(kind);
    if (index < 0 || index >= devices.size() || !devices[index].device.supportsVolume) {
        return nullptr;
    }
    return &devices[index];
}

void FakeVolumeDevices::record(const QString& call, Kind kind, int index, const QString& value)
{
    QString entry = call + QLatin1Char(' ') + kindName(kind) + QLatin1Char(' ') + QString::number(index);
    if (!value.isEmpty()) {
        entry += QLatin1Char(' ') + value;
    }
    m_log->append(entry);
}

} // namespace kvx
