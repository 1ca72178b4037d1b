// Colour constructors every view file builds its palette statics with, and
// the standard status colours (one table for every view). Views keep their
// own colours as function-local statics made by these constructors: built
// once, on first use, after the application exists.
#pragma once

#include <QColor>

namespace lumra {

// An opaque sRGB colour from components in 0...1 (clamped).
QColor paletteColor(double red, double green, double blue);
// White at an opacity in 0...1 (clamped).
QColor paletteWhite(double opacity);
// The same colour at an opacity in 0...1 (clamped), replacing its own.
QColor withOpacity(const QColor& color, double opacity);

enum class StatusColor { green, orange, red, yellow, blue, gray, secondary, accent };

// The platform's status colours as this application draws them on its dark
// panels: vivid hues that read on a dark background, gray for "off",
// secondary text and the accent colour.
const QColor& statusColor(StatusColor color);

} // namespace lumra
