#pragma once

#include <QString>

namespace kvx {

// What the media channel is doing: nothing open, playing, or stopped (the
// sound ended or was stopped, and the file is still open).
enum class MediaStatus { Closed, Playing, Stopped };

// The one channel through which every sound plays.
class MediaChannel {
public:
    virtual ~MediaChannel() = default;
    virtual MediaStatus status() = 0;
    virtual bool open(const QString& path) = 0;
    virtual bool play() = 0; // false when the file cannot be played
    virtual bool playFromStart() = 0; // "play from 0"
    virtual void stop() = 0;
    virtual void close() = 0;
    // A channel whose own set-up is costly makes it on first use; `prepare`
    // makes it ahead of a sound due soon, so that the sound does not wait.
    virtual bool prepared() const { return true; }
    virtual void prepare() { }
};

// Plays a ".wav" file that the media channel refused.
class WaveFallback {
public:
    virtual ~WaveFallback() = default;
    virtual bool play(const QString& path) = 0;
    virtual void stop() = 0;
};

} // namespace kvx
