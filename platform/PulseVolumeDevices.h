#pragma once

#include "platform/VolumeDevices.h"

#include <QByteArray>

#include <memory>

namespace kvx {

class PulseSinks;
class SoftwareMidiDevice;

// The wave devices are the sound server's sinks, named by their description;
// the one MIDI device is the program's software synthesizer. Without a sound
// server there are no wave devices and their volumes cannot be read.
class PulseVolumeDevices final : public VolumeDevices {
public:
    // An empty server name means the user's default sound server.
    explicit PulseVolumeDevices(SoftwareMidiDevice& midi, const QByteArray& server = {});
    ~PulseVolumeDevices() override;

    QList<Device> devices(Kind kind) override;
    bool volume(Kind kind, int index, std::uint32_t& packed) override;
    bool setVolume(Kind kind, int index, std::uint32_t packed) override;
    bool muted(Kind kind, int index) override;
    bool setMuted(Kind kind, int index, bool muted) override;

private:
    SoftwareMidiDevice& m_midi;
    std::unique_ptr<PulseSinks> m_sinks;
};

} // namespace kvx
