#include "qt/PlainTextLabel.h"

namespace lumra {

QLabel* makeTextLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent,
                      bool wraps) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setWordWrap(wraps);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QWidget* widget, const QColor& color) {
    // Inside a button a label would take the button's text role.
    if (qobject_cast<QLabel*>(widget) != nullptr)
        widget->setForegroundRole(QPalette::WindowText);
    QPalette colors = widget->palette();
    if (widget->testAttribute(Qt::WA_SetPalette) && colors.color(QPalette::WindowText) == color &&
        colors.color(QPalette::Text) == color)
        return;
    colors.setColor(QPalette::WindowText, color);
    colors.setColor(QPalette::Text, color);
    widget->setPalette(colors);
}

void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

} // namespace lumra
