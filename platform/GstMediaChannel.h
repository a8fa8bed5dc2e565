#pragma once

#include "platform/MediaChannel.h"

#include <QObject>
#include <QString>

// GStreamer's own declarations of its two types, repeated to keep its headers out.
using GstElement = struct _GstElement; // NOLINT(bugprone-reserved-identifier)
using GstMessage = struct _GstMessage; // NOLINT(bugprone-reserved-identifier)

namespace kvx {

class SoftwareMidiDevice;

// The media channel over a GStreamer playbin that plays to the default sound
// output. MIDI files are rendered by the fluidsynth decoder with the system's
// General MIDI sound font, at the volume of the software MIDI device.
// Opening a file while another is open fails, as for a media command alias.
class GstMediaChannel final : public QObject, public MediaChannel {
    Q_OBJECT

public:
    explicit GstMediaChannel(SoftwareMidiDevice* midi = nullptr, QObject* parent = nullptr);
    ~GstMediaChannel() override;

    // The synthesizer renders a lone note some 30 dB below full scale; MIDI
    // files get this much more gain so that they ring about as loud as a wave
    // file, before the MIDI device's own volume scales them.
    static constexpr double kSynthMakeupGain = 2.5;

    // Initialises GStreamer once; false when it cannot be used.
    static bool initMedia();

    // GStreamer is initialised by the first file opened or by `prepare`.
    bool prepared() const override;
    void prepare() override;

    MediaStatus status() override;
    bool open(const QString& path) override;
    bool play() override;
    bool playFromStart() override;
    void stop() override;
    void close() override;

    // The gain applied to the open file (0 when nothing is open).
    double outputVolume() const;

private:
    void applyVolume();
    void drainBus(bool dropEndOfStream = false);
    void handleMessage(GstMessage* message, bool dropEndOfStream);
    bool waitUntilPlaying();
    bool restart();

    SoftwareMidiDevice* m_midi;
    GstElement* m_playbin = nullptr;
    bool m_isMidi = false;
    bool m_playing = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_prerolled = false;
};

} // namespace kvx
