// The status item's image: the brand image with the health badge in its
// lower-right corner, 18 x 18 points, in its own colours (never recoloured
// by the tray). The brand's Wi-Fi glyph is light inside a dark outline and
// the badge sits on a dark ring that also fills its glyph, so both read on
// light and dark panels alike. Main thread.
#pragma once

#include "app/StatusIconStyle.h"

#include <QColor>
#include <QImage>
#include <QString>

namespace lumra {

// The colour a badge takes without a tint: the label colour of the dark
// panels trays sit on (light, opaque).
QColor statusIconLabelColor();
// The ring around the badge and the colour of its glyph (dark, opaque).
QColor statusIconOutlineColor();

// The composed image at devicePixelRatio; a null image when the badge
// symbol does not exist.
QImage composeStatusIcon(const StatusIconStyle& style, double devicePixelRatio = 1.0);

} // namespace lumra
