#pragma once

#include "platform/MediaChannel.h"
#include "platform/VolumeDevices.h"

namespace kvx {

// The program's sounds on the real sound stack (GStreamer, PulseAudio,
// libcanberra): its media channel, the fallback for wave files and the device
// volumes. It lives in a module of its own, loaded by the first sound, so that
// a start (autostart at login, which plays nothing for hours) neither loads
// nor relocates those libraries.
class SoundStack {
public:
    virtual ~SoundStack() = default;
    virtual MediaChannel& media() = 0;
    virtual WaveFallback& fallback() = 0;
    virtual VolumeDevices& volumes() = 0;
};

// The module's one entry: makes a sound stack the caller owns.
using MakeSoundStack = SoundStack* (*)();
inline constexpr const char* kMakeSoundStackSymbol = "kvx_make_sound_stack";

} // namespace kvx
