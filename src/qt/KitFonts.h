// Fonts by pixel size: the application font's family at a size in pixels
// (the views' points) and a weight. Tests pin the family to DejaVu Sans so
// sampled pixels stay stable.
#pragma once

#include <QFont>

namespace lumra {

QFont kitFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// The kit's font in the monospaced family.
QFont kitMonospacedFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// The popover's fonts.
namespace PanelPalette {
QFont headerFont();
QFont labelFont();
QFont sectionFont();
QFont rowTitleFont();
QFont rowValueFont();
QFont captionFont();
// The kit font at a size and weight the views name directly.
QFont systemFont(double size, QFont::Weight weight);
} // namespace PanelPalette

} // namespace lumra
