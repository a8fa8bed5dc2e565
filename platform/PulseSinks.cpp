#include "platform/PulseSinks.h"

#include "platform/VolumeLevels.h"

#include <algorithm>

namespace kvx {

namespace {

// Reads are few (start-up, each opening of the editor); this only bounds a
// program that runs for months.
constexpr std::size_t kReadMemory = 256;

bool isLeft(pa_channel_position_t position)
{
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
        return true;
    default:
        return false;
    }
}

bool isRight(pa_channel_position_t position)
{
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return true;
    default:
        return false;
    }
}

} // namespace

PulseSinks::PulseSinks(const QByteArray& server)
    : m_connection(server)
{
}

QStringList PulseSinks::names()
{
    QStringList list;
    if (const auto sinks = m_connection.sinks()) {
        for (const PulseConnection::Sink& sink : *sinks) {
            list.append(sink.description);
        }
    }
    return list;
}

bool PulseSinks::volume(int index, std::uint32_t& packed)
{
    const auto sink = sinkAt(index);
    if (!sink) {
        return false;
    }
    packed = packedVolume(sink->volume, sink->map);
    if (m_read.size() >= kReadMemory) {
        m_read.clear();
    }
    m_read[{sink->index, packed}] = sink->volume;
    return true;
}

bool PulseSinks::setVolume(int index, std::uint32_t packed)
{
    const auto sink = sinkAt(index);
    if (!sink) {
        return false;
    }
    const auto read = m_read.find({sink->index, packed});
    if (read != m_read.end() && read->second.channels == sink->volume.channels) {
        return m_connection.setSinkVolume(sink->index, read->second);
    }
    return m_connection.setSinkVolume(sink->index, channelVolume(packed, sink->map));
}

bool PulseSinks::muted(int index)
{
    const auto sink = sinkAt(index);
    return sink && sink->muted;
}

bool PulseSinks::setMuted(int index, bool muted)
{
    const auto sink = sinkAt(index);
    return sink && m_connection.setSinkMute(sink->index, muted);
}

// Left is the loudest left-side channel, right the loudest right-side one; a
// sink without sides (mono, say) gives its loudest channel to both.
std::uint32_t PulseSinks::packedVolume(const pa_cvolume& volume, const pa_channel_map& map)
{
    std::optional<pa_volume_t> left;
    std::optional<pa_volume_t> right;
    for (unsigned channel = 0; channel < volume.channels && channel < map.channels; ++channel) {
        const pa_channel_position_t position = map.map[channel];
        const pa_volume_t value = volume.values[channel];
        if (isLeft(position)) {
            left = std::max(left.value_or(0), value);
        } else if (isRight(position)) {
            right = std::max(right.value_or(0), value);
        }
    }
    const pa_volume_t loudest = pa_cvolume_max(&volume);
    return packVolume(
        levelFromServerVolume(left.value_or(loudest)), levelFromServerVolume(right.value_or(loudest)));
}

// Left-side channels take the left level, right-side ones the right level and
// the others (centre, bass) the louder of the two.
pa_cvolume PulseSinks::channelVolume(std::uint32_t packed, const pa_channel_map& map)
{
    const pa_volume_t left = serverVolumeFromLevel(leftLevel(packed));
    const pa_volume_t right = serverVolumeFromLevel(rightLevel(packed));
    pa_cvolume volume{};
    volume.channels = map.channels;
    for (unsigned channel = 0; channel < map.channels; ++channel) {
        const pa_channel_position_t position = map.map[channel];
        if (isLeft(position)) {
            volume.values[channel] = left;
        } else if (isRight(position)) {
            volume.values[channel] = right;
        } else {
            volume.values[channel] = std::max(left, right);
        }
    }
    return volume;
}

std::optional<PulseConnection::Sink> PulseSinks::sinkAt(int index)
{
    const auto sinks = m_connection.sinks();
    if (!sinks || index < 0 || static_cast<std::size_t>(index) >= sinks->size()) {
        return std::nullopt;
    }
    return (*sinks)[static_cast<std::size_t>(index)];
}

} // namespace kvx
