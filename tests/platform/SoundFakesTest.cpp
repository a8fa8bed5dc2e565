#include "doubles/FakeMediaChannel.h"
#include "doubles/FakeVolumeDevices.h"
#include "doubles/FakeWaveFallback.h"

#include <functional>
#include <gtest/gtest.h>

namespace kvx {
namespace {

const QString kBell = QStringLiteral("/sounds/bell.wav");
const QString kTune = QStringLiteral("/sounds/tune.mid");

// The double must answer its status as the real channel does, for the alarm
// loop's tests to mean anything.
TEST(SoundFakes, MediaChannelAnswersStatusLikeTheRealOne)
{
    using Step = std::function<void(FakeMediaChannel&)>;
    struct Row {
        const char* name;
        Step steps;
        MediaStatus status;
        bool lastResult;
    };
    bool result = false;
    const Row rows[] = {
        {"nothing open", [&](FakeMediaChannel&) { result = true; }, MediaStatus::Closed, true},
        {"opened, not played", [&](FakeMediaChannel& c) { result = c.open(kBell); }, MediaStatus::Stopped,
            true},
        {"playing",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                result = c.play();
            },
            MediaStatus::Playing, true},
        {"reached its end",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                result = c.play();
                c.endPlayback();
            },
            MediaStatus::Stopped, true},
        {"restarted after its end",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                c.play();
                c.endPlayback();
                result = c.playFromStart();
            },
            MediaStatus::Playing, true},
        {"stopped",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                result = c.play();
                c.stop();
            },
            MediaStatus::Stopped, true},
        {"closed",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                result = c.play();
                c.close();
            },
            MediaStatus::Closed, true},
        {"a file that cannot play",
            [&](FakeMediaChannel& c) {
                c.setUnplayable(kTune);
                c.open(kTune);
                result = c.play();
            },
            MediaStatus::Stopped, false},
        {"a missing file does not open",
            [&](FakeMediaChannel& c) {
                c.setMissing(kTune);
                result = c.open(kTune);
            },
            MediaStatus::Closed, false},
        {"a second open before close",
            [&](FakeMediaChannel& c) {
                c.open(kBell);
                result = c.open(kTune);
            },
            MediaStatus::Stopped, false},
        {"play with nothing open", [&](FakeMediaChannel& c) { result = c.play(); }, MediaStatus::Closed,
            false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeMediaChannel channel;
        result = false;
        row.steps(channel);
        EXPECT_EQ(channel.status(), row.status);
        EXPECT_EQ(result, row.lastResult);
    }
}

TEST(SoundFakes, VolumeDevicesAnswerOnlyForDevicesWithVolume)
{
    using Kind = VolumeDevices::Kind;
    FakeVolumeDevices devices;
    devices.addDevice(Kind::Wave, QStringLiteral("Speakers"), 65537, true);
    devices.addDevice(Kind::Wave, QStringLiteral("Line out"), 0, false, false);

    struct Row {
        const char* name;
        Kind kind;
        int index;
        bool answers;
    };
    const Row rows[] = {
        {"a device with volume", Kind::Wave, 0, true},
        {"a device without volume", Kind::Wave, 1, false},
        {"past the end", Kind::Wave, 2, false},
        {"a negative index", Kind::Wave, -1, false},
        {"a kind with no devices", Kind::Midi, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::uint32_t packed = 12345;
        EXPECT_EQ(devices.volume(row.kind, row.index, packed), row.answers);
        EXPECT_EQ(packed, row.answers ? 65537U : 12345U);
        EXPECT_EQ(devices.setVolume(row.kind, row.index, 4294967295U), row.answers);
        EXPECT_EQ(devices.setMuted(row.kind, row.index, false), row.answers);
    }
    ASSERT_NE(devices.state(Kind::Wave, 0), nullptr);
    EXPECT_EQ(devices.state(Kind::Wave, 0)->volume, 4294967295U);
    EXPECT_FALSE(devices.state(Kind::Wave, 0)->muted);
    EXPECT_EQ(devices.state(Kind::Wave, 1)->volume, 0U);
    EXPECT_EQ(devices.devices(Kind::Wave).size(), 2);
    EXPECT_EQ(devices.devices(Kind::Midi).size(), 0);
}

TEST(SoundFakes, WaveFallbackDoesNotInterruptItsOwnSound)
{
    struct Row {
        const char* name;
        std::function<bool(FakeWaveFallback&)> steps;
        bool result;
        bool playing;
    };
    const Row rows[] = {
        {"a first sound plays", [](FakeWaveFallback& f) { return f.play(kBell); }, true, true},
        {"a second sound is refused while the first plays",
            [](FakeWaveFallback& f) {
                f.play(kBell);
                return f.play(kTune);
            },
            false, true},
        {"after stop a sound plays again",
            [](FakeWaveFallback& f) {
                f.play(kBell);
                f.stop();
                return f.play(kTune);
            },
            true, true},
        {"after the end a sound plays again",
            [](FakeWaveFallback& f) {
                f.play(kBell);
                f.endPlayback();
                return f.play(kTune);
            },
            true, true},
        {"a refused file",
            [](FakeWaveFallback& f) {
                f.setUnplayable(kBell);
                return f.play(kBell);
            },
            false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeWaveFallback fallback;
        EXPECT_EQ(row.steps(fallback), row.result);
        EXPECT_EQ(fallback.isPlaying(), row.playing);
    }
}

} // namespace
} // namespace kvx
