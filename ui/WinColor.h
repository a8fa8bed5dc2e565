#pragma once

#include <QColor>

#include <cstdint>

namespace kvx {

// A stored Windows colour value: red + green * 256 + blue * 65536, or a system
// colour with the top bit set (0x8000000F is the button face).
QColor fromWinColor(std::int32_t value);
std::int32_t toWinColor(const QColor& color);

} // namespace kvx
