#include "qt/LinkButton.h"

#include "qt/FocusRing.h"
#include "qt/KitAccessibility.h"
#include "qt/Palette.h"

#include <QPainter>

namespace lumra {

LinkButton::LinkButton(const QString& text, QWidget* parent) : QPushButton(parent) {
    // The text is set here, once the factory is there.
    installKitAccessibility();
    setText(text);
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
    setFocusPolicy(Qt::TabFocus);
}

void LinkButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (showsFocusRing(this)) {
        QPainter painter(this);
        paintFocusRing(painter, QRectF(rect()), 4);
    }
}

} // namespace lumra
