#pragma once

#include <cstdint>

namespace kvx {

// A device volume is a 16-bit level per channel, packed left in the low half
// and right in the high half. The sound server counts volume from 0 (silent)
// to kServerVolumeNorm (100 %); a level maps linearly onto that range.
inline constexpr std::uint32_t kServerVolumeNorm = 0x10000U;
inline constexpr std::uint16_t kFullLevel = 0xFFFFU;
inline constexpr std::uint32_t kFullVolume = 0xFFFFFFFFU;

// Rounds to the nearest level; anything above 100 % is full.
std::uint16_t levelFromServerVolume(std::uint32_t volume);
std::uint32_t serverVolumeFromLevel(std::uint16_t level);

std::uint32_t packVolume(std::uint16_t left, std::uint16_t right);
inline std::uint32_t packVolume(std::uint16_t level)
{
    return packVolume(level, level);
}
std::uint16_t leftLevel(std::uint32_t packed);
std::uint16_t rightLevel(std::uint32_t packed);

} // namespace kvx
