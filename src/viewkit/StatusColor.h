// The one set of colour roles every view tints with, and the table of what
// each role is in sRGB. No Qt: view-models name a role, the Qt kit turns the
// table's entry into a colour.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumra {

enum class StatusColor {
    green,
    orange,
    red,
    yellow,
    blue,
    gray,
    white,
    // Light text at 60 %.
    secondary,
    accent,
    // White at 45 %: a missing grade, a dot for "not connected".
    muted,
    // The radar's own green, softer than the status green.
    mint,
    // Plain 50 % gray: the paused tray badge.
    halfGray,
};
inline constexpr std::size_t statusColorCount = static_cast<std::size_t>(StatusColor::halfGray) + 1;

struct StatusRgba {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t alpha = 255;

    bool operator==(const StatusRgba&) const = default;
};

// The platform's status colours as this application draws them on its dark
// panels: vivid hues that read on a dark background.
StatusRgba statusRgba(StatusColor color);

} // namespace lumra
