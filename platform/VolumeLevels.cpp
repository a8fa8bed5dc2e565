#include "platform/VolumeLevels.h"

#include <pulse/volume.h>

namespace kvx {

static_assert(kServerVolumeNorm == PA_VOLUME_NORM);

std::uint16_t levelFromServerVolume(std::uint32_t volume)
{
    if (volume >= kServerVolumeNorm) {
        return kFullLevel;
    }
    const std::uint64_t scaled = std::uint64_t{volume} * kFullLevel + kServerVolumeNorm / 2;
    return static_cast<std::uint16_t>(scaled / kServerVolumeNorm);
}

std::uint32_t serverVolumeFromLevel(std::uint16_t level)
{
    // kFullLevel is odd, so the exact quotient never ends in one half.
    const std::uint64_t scaled = std::uint64_t{level} * kServerVolumeNorm + kFullLevel / 2;
    return static_cast<std::uint32_t>(scaled / kFullLevel);
}

std::uint32_t packVolume(std::uint16_t left, std::uint16_t right)
{
    return std::uint32_t{left} | (std::uint32_t{right} << 16);
}

std::uint16_t leftLevel(std::uint32_t packed)
{
    return static_cast<std::uint16_t>(packed & 0xFFFFU);
}

std::uint16_t rightLevel(std::uint32_t packed)
{
    return static_cast<std::uint16_t>(packed >> 16);
}

} // namespace kvx
