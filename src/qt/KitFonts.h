// Fonts by pixel size: the application font's family at a size in pixels
// (the views' points) and a weight. Tests pin the family to DejaVu Sans so
// sampled pixels stay stable.
#pragma once

#include <QFont>

namespace lumra {

QFont kitFont(double pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace lumra
