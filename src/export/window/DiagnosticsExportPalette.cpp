#include "export/window/DiagnosticsExportPalette.h"

#include "qt/Palette.h"

namespace lumra::DiagnosticsExportPalette {

const QColor& backgroundStart() {
    static const QColor color = paletteColor(0.08, 0.09, 0.13);
    return color;
}
const QColor& backgroundEnd() {
    static const QColor color = paletteColor(0.04, 0.05, 0.08);
    return color;
}
const QColor& panelFill() {
    static const QColor color = paletteWhite(0.05);
    return color;
}
const QColor& panelBorder() {
    static const QColor color = paletteWhite(0.14);
    return color;
}
const QColor& primaryText() {
    static const QColor color = paletteWhite(0.95);
    return color;
}
const QColor& secondaryText() {
    static const QColor color = paletteWhite(0.72);
    return color;
}
const QColor& accentGreen() {
    static const QColor color = withOpacity(statusColor(StatusColor::green), 0.9);
    return color;
}
const QColor& successText() {
    static const QColor color = withOpacity(statusColor(StatusColor::green), 0.9);
    return color;
}
const QColor& errorText() {
    static const QColor color = withOpacity(statusColor(StatusColor::red), 0.9);
    return color;
}
const QColor& buttonFill() {
    static const QColor color = paletteWhite(0.08);
    return color;
}

const QColor& actionMessageColor(ActionMessageTone tone) {
    switch (tone) {
    case ActionMessageTone::success:
        return successText();
    case ActionMessageTone::error:
        return errorText();
    case ActionMessageTone::secondary:
        break;
    }
    return secondaryText();
}

} // namespace lumra::DiagnosticsExportPalette
