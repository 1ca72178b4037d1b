// The size a one-line text is drawn at when its width is short: the largest
// whole pixel size that fits, but never below the minimum scale of its size
// (past that the text is cut with an ellipsis instead). No Qt.
#pragma once

namespace lumra {

// The scale in [minimumScale, 1] at which naturalWidth fits availableWidth.
double fittedScale(double naturalWidth, double availableWidth, double minimumScale);

// The same in whole pixels. pixelSize: the text's size; naturalWidth: its width at that size;
// availableWidth: the room it has; minimumScale in (0, 1].
int fittedPixelSize(int pixelSize, double naturalWidth, double availableWidth, double minimumScale);

} // namespace lumra
