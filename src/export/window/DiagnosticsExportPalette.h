// The export window's colours, each built once on first use.
#pragma once

#include "export/collection/ActionMessageTone.h"

#include <QColor>

namespace lumra::DiagnosticsExportPalette {

const QColor& backgroundStart();
const QColor& backgroundEnd();
const QColor& panelFill();
const QColor& panelBorder();
const QColor& primaryText();
const QColor& secondaryText();
const QColor& accentGreen();
const QColor& successText();
const QColor& errorText();
// The fill of the window's buttons (white at 0.08; not a palette entry).
const QColor& buttonFill();

// The colour of the action line for its tone.
const QColor& actionMessageColor(ActionMessageTone tone);

} // namespace lumra::DiagnosticsExportPalette
