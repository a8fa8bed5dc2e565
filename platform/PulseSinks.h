#pragma once

#include "platform/PulseConnection.h"

#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace kvx {

// The sound server's sinks as wave devices: listed by description, with the
// volume of the left and right channels packed as 16-bit levels.
class PulseSinks {
public:
    explicit PulseSinks(const QByteArray& server);

    QStringList names();
    bool volume(int index, std::uint32_t& packed);
    // Sets every channel; writing back a value read before restores the sink's
    // own per-channel volume as it was read, balance included.
    bool setVolume(int index, std::uint32_t packed);
    bool muted(int index);
    bool setMuted(int index, bool muted);

    static std::uint32_t packedVolume(const pa_cvolume& volume, const pa_channel_map& map);
    static pa_cvolume channelVolume(std::uint32_t packed, const pa_channel_map& map);

private:
    std::optional<PulseConnection::Sink> sinkAt(int index);

    PulseConnection m_connection;
    // The exact volume behind each packed value read, by sink index.
    std::map<std::pair<std::uint32_t, std::uint32_t>, pa_cvolume> m_read;
};

} // namespace kvx
