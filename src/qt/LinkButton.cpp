#include "qt/LinkButton.h"

#include "qt/Palette.h"

namespace lumra {

LinkButton::LinkButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const QColor accent = statusColor(StatusColor::accent);
    setStyleSheet(
        QStringLiteral(
            "QPushButton { border: none; padding: 0; background: transparent; color: %1; }"
            "QPushButton:hover { text-decoration: underline; }"
            "QPushButton:disabled { color: %2; }")
            .arg(accent.name(), withOpacity(accent, 0.4).name(QColor::HexArgb)));
}

} // namespace lumra
