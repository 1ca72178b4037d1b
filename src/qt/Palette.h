// The one palette: colour constructors, the colour of each view-kit role,
// and the named colours of the popover and of the tool, export and radar
// windows. Every colour is a function-local static made on first use, after
// the application exists. Main thread.
#pragma once

#include "viewkit/StatusColor.h"

#include <QColor>

namespace lumra {

// An opaque sRGB colour from components in 0...1 (clamped).
QColor paletteColor(double red, double green, double blue);
// White at an opacity in 0...1 (clamped).
QColor paletteWhite(double opacity);
// The same colour at an opacity in 0...1 (clamped), replacing its own.
QColor withOpacity(const QColor& color, double opacity);

// The colour of a role, from the view kit's table.
const QColor& statusColor(StatusColor color);

// The popover's colours.
namespace PanelPalette {
const QColor& primaryText();
const QColor& secondaryText();
const QColor& tertiaryText();
const QColor& backgroundStart();
const QColor& backgroundEnd();
const QColor& border();
const QColor& cardFill();
const QColor& controlFill();
// Toolbox rows and settings cards.
const QColor& rowFill();
// The divider under the settings tabs and between connection rows.
const QColor& rule();
} // namespace PanelPalette

// The colours of the Channel Scan, Speed Test, Wi-Fi Radar and export windows.
namespace WindowPalette {
const QColor& primaryText();
const QColor& secondaryText();
const QColor& tertiaryText();
// Outlines of cards and buttons; the radar's separators.
const QColor& border();
// The Channel Scan and Speed Test background gradient.
const QColor& backgroundStart();
const QColor& backgroundEnd();
// The section cards and the band congestion panel.
const QColor& sectionFill();
// The fill of a window's buttons.
const QColor& buttonFill();
const QColor& exportBackgroundStart();
const QColor& exportBackgroundEnd();
const QColor& exportPanelFill();
const QColor& exportPanelBorder();
// Green and red at 0.9: success and failure lines.
const QColor& successText();
const QColor& errorText();
const QColor& radarBackgroundTop();
// Drawn at 0.6.
const QColor& radarPanelFill();
} // namespace WindowPalette

} // namespace lumra
