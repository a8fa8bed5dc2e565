#pragma once

#include "platform/VolumeDevices.h"

#include <QList>
#include <QStringList>

namespace kvx {

// Test double of the volume devices: the test adds the devices it needs. Calls
// are logged in order with the kind, index and value, e.g. "volume Midi 0",
// "setVolume Wave 0 4294967295", "muted Wave 1", "setMuted Wave 0 false";
// the device list itself is not logged.
class FakeVolumeDevices final : public VolumeDevices {
public:
    struct State {
        Device device;
        std::uint32_t volume = 0xFFFFFFFFU;
        bool muted = false;
    };

    explicit FakeVolumeDevices(QStringList* log = nullptr);

    int addDevice(Kind kind, const QString& name, std::uint32_t volume = 0xFFFFFFFFU, bool muted = false,
        bool supportsVolume = true);

    QList<Device> devices(Kind kind) override;
    bool volume(Kind kind, int index, std::uint32_t& packed) override;
    bool setVolume(Kind kind, int index, std::uint32_t packed) override;
    bool muted(Kind kind, int index) override;
    bool setMuted(Kind kind, int index, bool muted) override;

    // The device's present state, for the test to check; null past the end.
    const State* state(Kind kind, int index) const;

    // How often the device list of a kind was read.
    int listReads(Kind kind) const { return kind == Kind::Midi ? m_midiListReads : m_waveListReads; }

    const QStringList& log() const { return *m_log; }
    void clearLog() { m_log->clear(); }

    static QString kindName(Kind kind);

private:
    QList<State>& list(Kind kind) { return kind == Kind::Midi ? m_midi : m_wave; }
    State* volumeDevice(Kind kind, int index);
    void record(const QString& call, Kind kind, int index, const QString& value = {});

    QStringList m_ownLog;
    QStringList* m_log;
    QList<State> m_midi;
    QList<State> m_wave;
    int m_midiListReads = 0;
    int m_waveListReads = 0;
};

} // namespace kvx
