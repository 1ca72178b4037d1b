// Fonts by pixel size: the kit's family at a size in pixels (the views'
// points) and a weight. The proportional family is Inter, whose Medium and
// Semibold faces and narrow metrics the layouts were designed with; the
// monospaced one JetBrains Mono. Where either is not installed the kit takes
// the desktop's font (the application font, the system's fixed font). Tests
// pin both families so sampled pixels stay stable.
#pragma once

#include <QFont>
#include <QString>

namespace lumra {

QFont kitFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// The kit's font in the monospaced family.
QFont kitMonospacedFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// The families kitFont and kitMonospacedFont use now.
QString kitFontFamily();
QString kitMonospacedFontFamily();

// Replaces the families chosen from what is installed (a test's pin); an
// empty name goes back to the choice.
void pinKitFontFamilies(const QString& proportional, const QString& monospaced);

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
