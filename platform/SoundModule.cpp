// The sound module's entry: the real sound stack, built when the program
// first needs a sound.
#include "platform/CanberraWaveFallback.h"
#include "platform/GstMediaChannel.h"
#include "platform/PulseVolumeDevices.h"
#include "platform/SoftwareMidiDevice.h"
#include "platform/SoundStack.h"

namespace {

class RealSoundStack final : public kvx::SoundStack {
public:
    kvx::MediaChannel& media() override { return m_media; }
    kvx::WaveFallback& fallback() override { return m_fallback; }
    kvx::VolumeDevices& volumes() override { return m_volumes; }

private:
    // The synthesizer's gain is shared by the channel that plays MIDI files
    // and the volume of the MIDI device.
    kvx::SoftwareMidiDevice m_midi;
    kvx::GstMediaChannel m_media{&m_midi};
    kvx::CanberraWaveFallback m_fallback;
    kvx::PulseVolumeDevices m_volumes{m_midi};
};

} // namespace

extern "C" __attribute__((visibility("default"))) kvx::SoundStack* kvx_make_sound_stack()
{
    return new RealSoundStack;
}
