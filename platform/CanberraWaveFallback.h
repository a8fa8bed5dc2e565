#pragma once

#include "platform/MediaChannel.h"

#include <cstdint>

namespace kvx {

// Plays a wave file through the desktop's event-sound library, without
// interrupting a sound that this fallback is still playing.
class CanberraWaveFallback final : public WaveFallback {
public:
    CanberraWaveFallback();

    bool play(const QString& path) override;
    void stop() override;

private:
    bool isPlaying();

    // Each fallback cancels only its own sounds.
    std::uint32_t m_soundId;
};

} // namespace kvx
