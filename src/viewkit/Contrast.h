// Colour contrast as the web's accessibility guidelines measure it: the
// relative luminance of sRGB colours and the ratio (1...21) between two.
// No Qt: the tray icon's legibility on light and dark panels is tested with
// it.
#pragma once

#include "viewkit/StatusColor.h"

namespace lumra {

// 0 for black ... 1 for white; alpha is ignored.
double relativeLuminance(StatusRgba color);
// (lighter + 0.05) / (darker + 0.05) of two opaque colours.
double contrastRatio(StatusRgba a, StatusRgba b);
// top drawn over an opaque bottom (source-over), opaque.
StatusRgba compositeOver(StatusRgba top, StatusRgba bottom);

} // namespace lumra
