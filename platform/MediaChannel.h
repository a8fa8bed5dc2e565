#pragma once

#include <QString>

namespace kvx {

// The one channel through which every sound plays. `status` answers
// "playing", "stopped" (ended or stopped) or "" (nothing open).
class MediaChannel {
public:
    virtual ~MediaChannel() = default;
    virtual QString status() = 0;
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
