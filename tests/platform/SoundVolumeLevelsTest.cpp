#include "platform/PulseSinks.h"
#include "platform/SoftwareMidiDevice.h"
#include "platform/VolumeLevels.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

namespace kvx {
namespace {

TEST(SoundVolumeLevels, LevelMapsLinearlyOntoTheServerScale)
{
    struct Row {
        const char* name;
        std::uint16_t level;
        std::uint32_t serverVolume;
    };
    const Row rows[] = {
        {"silence is silence", 0, 0},
        {"the lowest level is the lowest server step", 1, 1},
        {"a quarter", 16384, 16384},
        {"half rounds up past the half-way server step", 32768, 32769},
        {"one below full stays below 100 %", 65534, 65535},
        {"full is exactly 100 %", 65535, 65536},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(serverVolumeFromLevel(row.level), row.serverVolume);
    }
}

TEST(SoundVolumeLevels, ServerVolumeRoundsToTheNearestLevel)
{
    struct Row {
        const char* name;
        std::uint32_t serverVolume;
        std::uint16_t level;
    };
    const Row rows[] = {
        {"muted volume", 0, 0},
        {"one step", 1, 1},
        {"40 % of the server scale", 26214, 26214},
        {"50 % lands on the upper of the two nearest levels", 32768, 32768},
        {"one step below 100 %", 65535, 65534},
        {"100 %", 65536, 65535},
        {"amplified to 150 % is capped at full", 98304, 65535},
        {"the largest server volume is capped at full", 0x7FFFFFFFU, 65535},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(levelFromServerVolume(row.serverVolume), row.level);
    }
}

TEST(SoundVolumeLevels, EveryLevelSurvivesTheTripThroughTheServer)
{
    std::uint32_t previous = 0;
    for (std::uint32_t level = 0; level <= kFullLevel; ++level) {
        const std::uint32_t server = serverVolumeFromLevel(static_cast<std::uint16_t>(level));
        ASSERT_EQ(levelFromServerVolume(server), level) << "level " << level;
        if (level > 0) {
            ASSERT_GT(server, previous) << "level " << level;
        }
        previous = server;
    }
}

TEST(SoundVolumeLevels, PackingPutsLeftLowAndRightHigh)
{
    struct Row {
        const char* name;
        std::uint16_t left;
        std::uint16_t right;
        std::uint32_t packed;
    };
    const Row rows[] = {
        {"both channels full", 65535, 65535, 4294967295U},
        {"level one in both channels", 1, 1, 65537},
        {"both silent", 0, 0, 0},
        {"left only", 1, 0, 1},
        {"right only", 0, 1, 65536},
        {"unbalanced", 0x1234, 0xABCD, 0xABCD1234U},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(packVolume(row.left, row.right), row.packed);
        EXPECT_EQ(leftLevel(row.packed), row.left);
        EXPECT_EQ(rightLevel(row.packed), row.right);
        if (row.left == row.right) {
            EXPECT_EQ(packVolume(row.left), row.packed);
        }
    }
}

pa_channel_map channelMap(std::initializer_list<pa_channel_position_t> positions)
{
    pa_channel_map map{};
    for (pa_channel_position_t position : positions) {
        map.map[map.channels++] = position;
    }
    return map;
}

pa_cvolume channelVolumes(std::initializer_list<pa_volume_t> values)
{
    pa_cvolume volume{};
    for (pa_volume_t value : values) {
        volume.values[volume.channels++] = value;
    }
    return volume;
}

const pa_channel_map kStereo = channelMap({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT});
const pa_channel_map kMono = channelMap({PA_CHANNEL_POSITION_MONO});
const pa_channel_map kSurround = channelMap(
    {PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT, PA_CHANNEL_POSITION_FRONT_CENTER,
        PA_CHANNEL_POSITION_LFE, PA_CHANNEL_POSITION_REAR_LEFT, PA_CHANNEL_POSITION_REAR_RIGHT});

TEST(SoundPulseSinks, ReadingPacksTheLoudestChannelOfEachSide)
{
    struct Row {
        const char* name;
        pa_channel_map map;
        pa_cvolume volume;
        std::uint32_t packed;
    };
    const Row rows[] = {
        {"stereo at 100 %", kStereo, channelVolumes({65536, 65536}), 4294967295U},
        {"stereo silent", kStereo, channelVolumes({0, 0}), 0},
        {"stereo leaning right", kStereo, channelVolumes({16384, 65536}), packVolume(16384, 65535)},
        {"mono gives its channel to both sides", kMono, channelVolumes({16384}), packVolume(16384)},
        {"surround takes the louder rear left", kSurround,
            channelVolumes({16384, 16384, 65536, 65536, 32768, 16384}), packVolume(32768, 16384)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PulseSinks::packedVolume(row.volume, row.map), row.packed);
    }
}

TEST(SoundPulseSinks, WritingSetsEveryChannel)
{
    struct Row {
        const char* name;
        pa_channel_map map;
        std::uint32_t packed;
        std::vector<pa_volume_t> volumes;
    };
    const Row rows[] = {
        {"stereo full", kStereo, 4294967295U, {65536, 65536}},
        {"stereo level one", kStereo, 65537, {1, 1}},
        {"stereo unbalanced", kStereo, packVolume(0, 65535), {0, 65536}},
        {"mono takes the louder side", kMono, packVolume(16384, 0), {16384}},
        {"surround: sides by side, centre and bass the louder", kSurround, packVolume(16384, 0),
            {16384, 0, 16384, 16384, 16384, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const pa_cvolume volume = PulseSinks::channelVolume(row.packed, row.map);
        ASSERT_EQ(volume.channels, row.volumes.size());
        for (std::size_t channel = 0; channel < row.volumes.size(); ++channel) {
            EXPECT_EQ(volume.values[channel], row.volumes[channel]) << "channel " << channel;
        }
    }
}

TEST(SoundSoftwareMidi, GainFollowsTheLeftLevelUnlessMuted)
{
    struct Row {
        const char* name;
        std::uint32_t packed;
        bool muted;
        double gain;
    };
    const Row rows[] = {
        {"full", 4294967295U, false, 1.0},
        {"silent", 0, false, 0.0},
        {"about half", packVolume(32768), false, 32768.0 / 65535.0},
        {"the left level counts", packVolume(13107, 65535), false, 0.2},
        {"muted at full", 4294967295U, true, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SoftwareMidiDevice midi;
        int changes = 0;
        QObject::connect(&midi, &SoftwareMidiDevice::gainChanged, [&changes] { ++changes; });
        midi.setVolume(row.packed);
        midi.setMuted(row.muted);
        EXPECT_DOUBLE_EQ(midi.gain(), row.gain);
        EXPECT_EQ(midi.volume(), row.packed);
        const int expectedChanges = (row.packed != kFullVolume ? 1 : 0) + (row.muted ? 1 : 0);
        EXPECT_EQ(changes, expectedChanges);
    }
}

TEST(SoundSoftwareMidi, StartsAtFullVolumeUnmuted)
{
    SoftwareMidiDevice midi;
    EXPECT_EQ(midi.volume(), kFullVolume);
    EXPECT_FALSE(midi.muted());
    EXPECT_DOUBLE_EQ(midi.gain(), 1.0);
}

} // namespace
} // namespace kvx
