#include "platform/CanberraWaveFallback.h"
#include "platform/GstMediaChannel.h"
#include "platform/LoadedSoundStack.h"
#include "platform/PulseVolumeDevices.h"
#include "platform/SoftwareMidiDevice.h"
#include "platform/VolumeLevels.h"
#include "tests/support/WaveFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

// These tests play through the real sound stack: a sound server with two null
// sinks that the test command starts (scripts/test-stack). Sounds take real
// time here, so the waits poll the state with a generous bound.

namespace kvx {
namespace {

using test::waveBytes;

using Kind = VolumeDevices::Kind;

constexpr int kSoundMs = 400;
constexpr int kPollBoundMs = 10000;

bool soundServerUp()
{
    return qgetenv("KVX_SOUND_SERVER") == "1";
}

// A standard MIDI file with one middle C held for ticks/192 seconds
// (96 ticks to the quarter note at the default 120 beats per minute).
QByteArray midiBytes(int ms)
{
    const quint32 ticks = static_cast<quint32>(ms) * 192 / 1000;
    QByteArray track;
    track.append("\x00\xC0\x00", 3); // piano
    track.append("\x00\x90\x3C\x64", 4); // note on
    track.append(static_cast<char>(0x80 | (ticks >> 7)));
    track.append(static_cast<char>(ticks & 0x7F));
    track.append("\x80\x3C\x40", 3); // note off
    track.append("\x00\xFF\x2F\x00", 4); // end of track
    QByteArray bytes("MThd");
    bytes.append("\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 10);
    bytes.append("MTrk");
    const quint32 length = qToBigEndian(static_cast<quint32>(track.size()));
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    return bytes + track;
}

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 generator(seed);
    QByteArray bytes;
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>(generator() & 0xFF));
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Encodes a tone with GStreamer's own command-line tool.
bool encodeTone(const QString& path, const QString& encoder)
{
    const int buffers = kSoundMs * 44100 / 1000 / 1024;
    QProcess process;
    process.start(QStringLiteral("gst-launch-1.0"),
        QStringList{"-q", "audiotestsrc", QStringLiteral("num-buffers=%1").arg(buffers), "volume=0.2", "!",
            "audioconvert", "!"}
            + encoder.split(QLatin1Char(' '))
            + QStringList{"!", "filesink", QStringLiteral("location=%1").arg(path)});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0 && QFile(path).size() > 0;
}

QString pactl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        return QStringLiteral("pactl failed: ") + QString::fromUtf8(process.readAllStandardError());
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The raw per-channel volumes of "pactl get-sink-volume", e.g. "26214 / 40% ...".
QList<quint32> sinkVolumes(const QString& sink)
{
    QList<quint32> volumes;
    static const QRegularExpression raw(QStringLiteral(R"((\d+) /)"));
    const QString text = pactl({"get-sink-volume", sink}).section(QLatin1Char('\n'), 0, 0);
    for (const QRegularExpressionMatch& match : raw.globalMatch(text)) {
        volumes.append(match.captured(1).toUInt());
    }
    return volumes;
}

QString sinkMute(const QString& sink)
{
    return pactl({"get-sink-mute", sink}).trimmed();
}

// A null sink of the test's own, so that tests running side by side do not
// change each other's volumes or hear each other's sounds.
class PrivateSink {
public:
    explicit PrivateSink(const QString& description)
    {
        static int count = 0;
        const QString suffix = QStringLiteral("%1_%2").arg(QCoreApplication::applicationPid()).arg(++count);
        m_name = QStringLiteral("kvx_private_") + suffix;
        m_description = description + suffix;
        bool ok = false;
        m_module = pactl({"load-module", "module-null-sink", "sink_name=" + m_name,
                             "sink_properties=device.description=" + m_description})
                       .trimmed()
                       .toInt(&ok);
        if (!ok) {
            m_module = -1;
        }
    }
    ~PrivateSink()
    {
        if (loaded()) {
            pactl({"unload-module", QString::number(m_module)});
        }
    }
    PrivateSink(const PrivateSink&) = delete;
    PrivateSink& operator=(const PrivateSink&) = delete;

    bool loaded() const { return m_module >= 0; }
    const QString& name() const { return m_name; }
    const QString& description() const { return m_description; }

private:
    QString m_name;
    QString m_description;
    int m_module = -1;
};

bool waitForStatus(MediaChannel& channel, MediaStatus wanted)
{
    QDeadlineTimer deadline(kPollBoundMs);
    while (channel.status() != wanted) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

int indexOf(const QList<VolumeDevices::Device>& devices, const QString& name)
{
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].name == name) {
            return i;
        }
    }
    return -1;
}

// A socket that takes connections and never answers: a hung sound server.
class SilentServer {
public:
    explicit SilentServer(const QString& path)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path)) {
            return;
        }
        std::copy(name.begin(), name.end(), address.sun_path);
        m_listening = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
            && ::listen(m_fd, 4) == 0;
    }
    ~SilentServer()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    bool listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

struct SoundKind {
    const char* name;
    QString file;
    std::function<bool(const QString&)> make;
};

std::vector<SoundKind> soundKinds()
{
    const auto wave = [](const QString& p) { return writeFile(p, waveBytes(kSoundMs)); };
    return {
        {"a wave file", "bell.wav", wave},
        {"a wave file named in capitals", "BELL.WAV", wave},
        {"a Japanese file name", "目覚まし.wav", wave},
        {"a MIDI file through the software synthesizer", "tune.mid",
            [](const QString& p) { return writeFile(p, midiBytes(kSoundMs)); }},
        {"an MP3 file", "clip.mp3", [](const QString& p) { return encodeTone(p, "lamemp3enc"); }},
        {"a WMA file", "clip.wma", [](const QString& p) { return encodeTone(p, "avenc_wmav2 ! asfmux"); }},
    };
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name)
        , m_previous(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_previous.isNull()) {
            qunsetenv(m_name);
        } else {
            qputenv(m_name, m_previous);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_previous;
};

// Records what a sink plays, as 8 kHz mono samples.
class SinkRecorder {
public:
    bool start(const QString& sink)
    {
        m_process.start(QStringLiteral("parec"),
            {"--device=" + sink + ".monitor", "--format=s16le", "--channels=1", "--rate=8000",
                "--latency-msec=20"});
        // The first samples show that the recording runs.
        return m_process.waitForStarted(kPollBoundMs) && m_process.waitForReadyRead(kPollBoundMs);
    }

    // The loudest sample heard since start().
    int stopAndPeak()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
        const QByteArray bytes = m_process.readAllStandardOutput();
        int peak = 0;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const auto sample = static_cast<qint16>(qFromLittleEndian<quint16>(bytes.constData() + i));
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        return peak;
    }

private:
    QProcess m_process;
};

class SoundStack : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!soundServerUp()) {
            // CI runs every test: there a missing server is a failure, not a skip.
            if (qgetenv("CI") == "true") {
                FAIL() << "CI=true and the test sound server that scripts/test-stack starts is missing";
            }
            GTEST_SKIP() << "needs the test sound server that scripts/test-stack starts";
        }
        ASSERT_TRUE(m_dir.isValid());
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(SoundStack, EachKindOfFilePlaysToItsEndAndAgainFromTheStart)
{
    for (const SoundKind& row : soundKinds()) {
        SCOPED_TRACE(row.name);
        const QString file = path(row.file);
        ASSERT_TRUE(row.make(file));
        GstMediaChannel channel;
        EXPECT_EQ(channel.status(), MediaStatus::Closed);
        ASSERT_TRUE(channel.open(file));
        EXPECT_EQ(channel.status(), MediaStatus::Stopped);
        ASSERT_TRUE(channel.play());
        EXPECT_EQ(channel.status(), MediaStatus::Playing);
        EXPECT_TRUE(waitForStatus(channel, MediaStatus::Stopped));
        ASSERT_TRUE(channel.playFromStart());
        EXPECT_EQ(channel.status(), MediaStatus::Playing);
        EXPECT_TRUE(waitForStatus(channel, MediaStatus::Stopped));
        channel.close();
        EXPECT_EQ(channel.status(), MediaStatus::Closed);
    }
}

// The output of the sound server that the user has chosen for programs
// (PULSE_SINK for this process) plays what the channel plays.
TEST_F(SoundStack, EachKindOfFileIsHeardOnTheUsersOutput)
{
    PrivateSink output(QStringLiteral("KvxOutput"));
    ASSERT_TRUE(output.loaded());
    const ScopedEnvironment chosen("PULSE_SINK", output.name().toUtf8());
    for (const SoundKind& row : soundKinds()) {
        SCOPED_TRACE(row.name);
        const QString file = path(row.file);
        ASSERT_TRUE(row.make(file));
        // A machine busy with builds can make the sink drop every late buffer
        // of a short file; a file sent anywhere else is never heard, however
        // often it plays.
        int peak = 0;
        for (int attempt = 0; attempt < 3 && peak <= 1500; ++attempt) {
            SinkRecorder recorder;
            ASSERT_TRUE(recorder.start(output.name()));
            GstMediaChannel channel;
            ASSERT_TRUE(channel.open(file));
            ASSERT_TRUE(channel.play());
            EXPECT_TRUE(waitForStatus(channel, MediaStatus::Stopped));
            channel.close();
            peak = recorder.stopAndPeak();
        }
        EXPECT_GT(peak, 1500);
    }
}

TEST_F(SoundStack, StopLeavesTheFileOpenAndStopped)
{
    const QString file = path("long.wav");
    ASSERT_TRUE(writeFile(file, waveBytes(5000)));
    GstMediaChannel channel;
    ASSERT_TRUE(channel.open(file));
    ASSERT_TRUE(channel.play());
    channel.stop();
    EXPECT_EQ(channel.status(), MediaStatus::Stopped);
    EXPECT_FALSE(channel.open(file)) << "a second open before close";
    ASSERT_TRUE(channel.playFromStart());
    EXPECT_EQ(channel.status(), MediaStatus::Playing);
    channel.close();
    EXPECT_EQ(channel.status(), MediaStatus::Closed);
}

TEST_F(SoundStack, FilesThatCannotBePlayedFailToPlay)
{
    struct Row {
        const char* name;
        QString file;
        std::function<bool(const QString&)> make;
        bool opens;
    };
    const Row rows[] = {
        {"a missing file", "missing.wav", nullptr, false},
        {"random bytes named .wav", "noise.wav",
            [](const QString& p) { return writeFile(p, randomBytes(20000, 1)); }, true},
        {"random bytes named .mp3", "noise.mp3",
            [](const QString& p) { return writeFile(p, randomBytes(20000, 2)); }, true},
        {"random bytes named .mid", "noise.mid",
            [](const QString& p) { return writeFile(p, randomBytes(20000, 3)); }, true},
        {"an empty wave file", "empty.wav", [](const QString& p) { return writeFile(p, QByteArray()); },
            true},
        {"a wave file cut inside its header", "cut.wav",
            [](const QString& p) { return writeFile(p, waveBytes(kSoundMs).left(30)); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = path(row.file);
        if (row.make) {
            ASSERT_TRUE(row.make(file));
        }
        GstMediaChannel channel;
        EXPECT_EQ(channel.open(file), row.opens);
        EXPECT_FALSE(channel.play());
        EXPECT_NE(channel.status(), MediaStatus::Playing);
        channel.close();
        EXPECT_EQ(channel.status(), MediaStatus::Closed);
    }
}

TEST_F(SoundStack, SinksAreListedByTheirDescriptions)
{
    SoftwareMidiDevice midi;
    PulseVolumeDevices devices(midi);
    const QList<VolumeDevices::Device> sinks = devices.devices(Kind::Wave);
    for (const QString& name : {QStringLiteral("KvxTestSinkA"), QStringLiteral("テスト出力")}) {
        SCOPED_TRACE(name.toStdString());
        const int index = indexOf(sinks, name);
        ASSERT_GE(index, 0);
        EXPECT_TRUE(sinks[index].supportsVolume);
    }
    const QList<VolumeDevices::Device> synths = devices.devices(Kind::Midi);
    ASSERT_EQ(synths.size(), 1);
    EXPECT_EQ(synths[0].name, SoftwareMidiDevice::deviceName());
    EXPECT_TRUE(synths[0].supportsVolume);
}

TEST_F(SoundStack, SinkVolumeIsRaisedForAnAlarmAndRestoredExactly)
{
    struct Row {
        const char* name;
        QString description;
        QStringList volume;
        bool muted;
        std::uint32_t packed;
    };
    const Row rows[] = {
        {"at 40 %, muted", "KvxVolume", {"26214"}, true, packVolume(26214)},
        {"a Japanese name, unbalanced", "音量テスト", {"20000", "50000"}, false, packVolume(20000, 49999)},
        {"half way between two levels", "KvxVolume", {"32768"}, false, packVolume(32768)},
        {"full and unmuted", "KvxVolume", {"65536"}, false, 4294967295U},
    };
    SoftwareMidiDevice midi;
    PulseVolumeDevices devices(midi);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PrivateSink sink(row.description);
        ASSERT_TRUE(sink.loaded());
        pactl(QStringList{"set-sink-volume", sink.name()} + row.volume);
        pactl({"set-sink-mute", sink.name(), row.muted ? "1" : "0"});
        const QList<quint32> before = sinkVolumes(sink.name());
        const QString muteBefore = sinkMute(sink.name());
        ASSERT_EQ(before.size(), 2);

        const int index = indexOf(devices.devices(Kind::Wave), sink.description());
        ASSERT_GE(index, 0);
        std::uint32_t saved = 0;
        ASSERT_TRUE(devices.volume(Kind::Wave, index, saved));
        EXPECT_EQ(saved, row.packed);
        const bool savedMute = devices.muted(Kind::Wave, index);
        EXPECT_EQ(savedMute, row.muted);

        ASSERT_TRUE(devices.setVolume(Kind::Wave, index, 4294967295U));
        ASSERT_TRUE(devices.setMuted(Kind::Wave, index, false));
        EXPECT_EQ(sinkVolumes(sink.name()), (QList<quint32>{65536, 65536}));
        EXPECT_EQ(sinkMute(sink.name()), "Mute: no");
        std::uint32_t raised = 0;
        EXPECT_TRUE(devices.volume(Kind::Wave, index, raised));
        EXPECT_EQ(raised, 4294967295U);

        ASSERT_TRUE(devices.setVolume(Kind::Wave, index, saved));
        ASSERT_TRUE(devices.setMuted(Kind::Wave, index, savedMute));
        EXPECT_EQ(sinkVolumes(sink.name()), before);
        EXPECT_EQ(sinkMute(sink.name()), muteBefore);
    }
}

TEST_F(SoundStack, AVolumeNotReadBeforeSetsEveryChannelToItsLevel)
{
    struct Row {
        const char* name;
        std::uint32_t packed;
        QList<quint32> volumes;
    };
    const Row rows[] = {
        {"level one", 65537, {1, 1}},
        {"a quarter", packVolume(16384), {16384, 16384}},
        {"silent", 0, {0, 0}},
        {"unbalanced", packVolume(65535, 16384), {65536, 16384}},
        {"full", 4294967295U, {65536, 65536}},
    };
    const PrivateSink sink(QStringLiteral("KvxVolume"));
    ASSERT_TRUE(sink.loaded());
    SoftwareMidiDevice midi;
    PulseVolumeDevices devices(midi);
    const int index = indexOf(devices.devices(Kind::Wave), sink.description());
    ASSERT_GE(index, 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(devices.setVolume(Kind::Wave, index, row.packed));
        EXPECT_EQ(sinkVolumes(sink.name()), row.volumes);
    }
}

TEST_F(SoundStack, MidiVolumeScalesOnlyMidiPlayback)
{
    const QString tune = path("tune.mid");
    const QString bell = path("bell.wav");
    ASSERT_TRUE(writeFile(tune, midiBytes(5000)));
    ASSERT_TRUE(writeFile(bell, waveBytes(5000)));
    constexpr double kMakeup = GstMediaChannel::kSynthMakeupGain;
    struct Row {
        const char* name;
        QString file;
        std::uint32_t before;
        std::uint32_t during;
        bool muteDuring;
        double gainBefore;
        double gainDuring;
    };
    const Row rows[] = {
        {"MIDI at about half, then a fifth", tune, packVolume(32768), packVolume(13107), false,
            32768.0 / 65535 * kMakeup, 0.2 * kMakeup},
        {"MIDI at full, then muted", tune, 4294967295U, 4294967295U, true, kMakeup, 0.0},
        {"a wave file keeps full volume", bell, packVolume(13107), 0, true, 1.0, 1.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SoftwareMidiDevice midi;
        PulseVolumeDevices devices(midi);
        GstMediaChannel channel(&midi);
        ASSERT_TRUE(devices.setVolume(Kind::Midi, 0, row.before));
        ASSERT_TRUE(channel.open(row.file));
        ASSERT_TRUE(channel.play());
        // The pipeline reads its volume back from fixed-point units.
        EXPECT_NEAR(channel.outputVolume(), row.gainBefore, 1e-4);
        ASSERT_TRUE(devices.setVolume(Kind::Midi, 0, row.during));
        ASSERT_TRUE(devices.setMuted(Kind::Midi, 0, row.muteDuring));
        EXPECT_EQ(channel.status(), MediaStatus::Playing);
        EXPECT_NEAR(channel.outputVolume(), row.gainDuring, 1e-4);
        std::uint32_t packed = 0;
        EXPECT_TRUE(devices.volume(Kind::Midi, 0, packed));
        EXPECT_EQ(packed, row.during);
        EXPECT_EQ(devices.muted(Kind::Midi, 0), row.muteDuring);
        channel.close();
    }
}

TEST_F(SoundStack, WaveFallbackPlaysAWaveFileAndStops)
{
    const QString bell = path("bell.wav");
    const QString other = path("other.wav");
    ASSERT_TRUE(writeFile(bell, waveBytes(5000)));
    ASSERT_TRUE(writeFile(other, waveBytes(kSoundMs)));
    CanberraWaveFallback fallback;
    EXPECT_FALSE(fallback.play(path("missing.wav")));
    ASSERT_TRUE(fallback.play(bell));
    EXPECT_FALSE(fallback.play(other)) << "a sound still playing is not interrupted";
    fallback.stop();
    EXPECT_TRUE(fallback.play(other));
    fallback.stop();
}

// The program's sound module: nothing the alarm tick asks before the first
// sound loads it, and the first sound plays through it.
TEST_F(SoundStack, TheModuleLoadsOnTheFirstSoundAndPlaysIt)
{
    const QString file = path(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeFile(file, waveBytes(kSoundMs)));
    LoadedSoundStack sound({path(QStringLiteral("absent.so")), QStringLiteral(KVX_SOUND_MODULE)});
    EXPECT_EQ(sound.media().status(), MediaStatus::Closed);
    sound.media().stop();
    sound.media().close();
    sound.fallback().stop();
    EXPECT_FALSE(sound.media().prepared());
    EXPECT_FALSE(sound.loaded());

    ASSERT_TRUE(sound.media().open(file));
    EXPECT_TRUE(sound.loaded());
    ASSERT_TRUE(sound.media().play());
    EXPECT_TRUE(waitForStatus(sound.media(), MediaStatus::Stopped));
    EXPECT_EQ(sound.volumes().devices(Kind::Midi).size(), 1);
    EXPECT_GE(indexOf(sound.volumes().devices(Kind::Wave), QStringLiteral("KvxTestSinkA")), 0);
}

// Without its module the program runs on, silent: every sound fails as an
// unplayable file does, and nothing waits for a preparation that cannot come.
TEST(SoundModule, AMissingModuleLeavesEverySoundFailing)
{
    EXPECT_EQ(LoadedSoundStack::modulePaths(QStringLiteral("/usr/bin")),
        QStringList({QStringLiteral("/usr/bin/kalvendorix-sound.so"),
            QStringLiteral("/usr/lib/kalvendorix/kalvendorix-sound.so")}));
    LoadedSoundStack sound({QStringLiteral("/nonexistent/kalvendorix-sound.so")});
    EXPECT_FALSE(sound.media().open(QStringLiteral("tone.wav")));
    EXPECT_FALSE(sound.media().play());
    EXPECT_FALSE(sound.fallback().play(QStringLiteral("tone.wav")));
    EXPECT_TRUE(sound.media().prepared());
    EXPECT_EQ(sound.media().status(), MediaStatus::Closed);
    EXPECT_TRUE(sound.volumes().devices(VolumeDevices::Kind::Midi).isEmpty());
    std::uint32_t packed = 7;
    EXPECT_FALSE(sound.volumes().volume(VolumeDevices::Kind::Midi, 0, packed));
    EXPECT_FALSE(sound.loaded());
}

TEST(SoundWithoutServer, WaveDevicesAreMissingAndTheMidiDeviceRemains)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SilentServer silent(dir.filePath("silent"));
    ASSERT_TRUE(silent.listening());
    struct Row {
        const char* name;
        QByteArray server;
    };
    const Row rows[] = {
        {"nothing listens at the address", ("unix:" + dir.filePath("nobody")).toUtf8()},
        {"the server never answers", ("unix:" + dir.filePath("silent")).toUtf8()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SoftwareMidiDevice midi;
        PulseVolumeDevices devices(midi, row.server);
        EXPECT_TRUE(devices.devices(Kind::Wave).isEmpty());
        std::uint32_t packed = 7;
        EXPECT_FALSE(devices.volume(Kind::Wave, 0, packed));
        EXPECT_EQ(packed, 7U);
        EXPECT_FALSE(devices.setVolume(Kind::Wave, 0, 4294967295U));
        EXPECT_EQ(devices.devices(Kind::Midi).size(), 1);
        EXPECT_TRUE(devices.volume(Kind::Midi, 0, packed));
        EXPECT_EQ(packed, 4294967295U);
    }
}

} // namespace
} // namespace kvx
