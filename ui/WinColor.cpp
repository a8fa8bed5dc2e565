#include "ui/WinColor.h"

#include <QApplication>
#include <QPalette>

namespace kvx {

namespace {

QColor systemColor(unsigned index)
{
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 0x05: // window
        return palette.color(QPalette::Base);
    case 0x08: // window text
    case 0x12: // button text
        return palette.color(QPalette::WindowText);
    case 0x0D: // highlight
        return palette.color(QPalette::Highlight);
    case 0x0E: // highlighted text
        return palette.color(QPalette::HighlightedText);
    case 0x10: // button shadow
        return palette.color(QPalette::Mid);
    case 0x11: // grey text
        return palette.color(QPalette::PlaceholderText);
    case 0x14: // button highlight
        return palette.color(QPalette::Light);
    case 0x0F: // button face
    default:
        return palette.color(QPalette::Button);
    }
}

} // namespace

QColor fromWinColor(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    if ((bits & 0x80000000U) != 0) {
        return systemColor(bits & 0xFFU);
    }
    return QColor(static_cast<int>(bits & 0xFFU), static_cast<int>((bits >> 8) & 0xFFU),
        static_cast<int>((bits >> 16) & 0xFFU));
}

std::int32_t toWinColor(const QColor& color)
{
    return color.red() + color.green() * 256 + color.blue() * 65536;
}

} // namespace kvx
