// The Wi-Fi Radar window's colours and fonts, shared by every view of the
// window. Main thread.
#pragma once

#include "windows/radar/viewmodel/LinkQualityScore.h"

#include <QColor>
#include <QFont>

namespace lumra::radar {

const QColor& backgroundTop(); // (0.07, 0.08, 0.11)
const QColor& panelFill();     // (0.10, 0.12, 0.15), drawn at 0.6
const QColor& accentGreen();   // (0.26, 0.84, 0.49)
const QColor& primaryText();   // white 0.95
const QColor& secondaryText(); // white 0.72
const QColor& separator();     // white 0.13

// Green from 75, yellow from 45, orange below.
const QColor& scoreColor(RadarScoreTint tint);

// The kit's font in the monospaced family.
QFont monospacedFont(double pixelSize, QFont::Weight weight);

} // namespace lumra::radar
