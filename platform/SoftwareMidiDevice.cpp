#include "platform/SoftwareMidiDevice.h"

namespace kvx {

SoftwareMidiDevice::SoftwareMidiDevice(QObject* parent)
    : QObject(parent)
{
}

QString SoftwareMidiDevice::deviceName()
{
    return QStringLiteral("Kalvendorix MIDI シンセサイザー");
}

void SoftwareMidiDevice::setVolume(std::uint32_t packed)
{
    if (packed == m_volume) {
        return;
    }
    m_volume = packed;
    emit gainChanged();
}

void SoftwareMidiDevice::setMuted(bool muted)
{
    if (muted == m_muted) {
        return;
    }
    m_muted = muted;
    emit gainChanged();
}

double SoftwareMidiDevice::gain() const
{
    if (m_muted) {
        return 0.0;
    }
    return static_cast<double>(leftLevel(m_volume)) / kFullLevel;
}

} // namespace kvx
