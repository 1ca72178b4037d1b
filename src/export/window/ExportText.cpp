#include "export/window/ExportText.h"

namespace lumra {

QLabel* exportTextLabel(const QString& text, const QFont& font, const QColor& color,
                        QWidget* parent, const char* objectName) {
    auto* label = makeTextLabel(text, font, color, parent);
    if (objectName != nullptr)
        label->setObjectName(QString::fromUtf8(objectName));
    return label;
}

} // namespace lumra
