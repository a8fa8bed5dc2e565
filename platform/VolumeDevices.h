#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace kvx {

// Output devices with a volume: the sound server's sinks (wave devices) and the
// program's own MIDI synthesizer (one MIDI device). A volume is packed as the
// 16-bit level in both halves (level * 65537).
class VolumeDevices {
public:
    enum class Kind { Midi, Wave };

    struct Device {
        QString name;
        bool supportsVolume = true;
    };

    virtual ~VolumeDevices() = default;
    virtual QList<Device> devices(Kind kind) = 0;
    // False when the device is gone or has no volume.
    virtual bool volume(Kind kind, int index, std::uint32_t& packed) = 0;
    virtual bool setVolume(Kind kind, int index, std::uint32_t packed) = 0;
    virtual bool muted(Kind kind, int index) = 0;
    virtual bool setMuted(Kind kind, int index, bool muted) = 0;
};

} // namespace kvx
