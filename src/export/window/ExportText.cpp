#include "export/window/ExportText.h"

namespace lumra {

void setExportTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QLabel* exportTextLabel(const QString& text, const QFont& font, const QColor& color,
                        QWidget* parent, const char* objectName) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    setExportTextColor(label, color);
    if (objectName != nullptr)
        label->setObjectName(QString::fromUtf8(objectName));
    return label;
}

} // namespace lumra
