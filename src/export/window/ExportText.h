// Labels of the export window and its card: always plain text (reports carry
// network names and error sentences), in a given font and colour.
#pragma once

#include "qt/PlainTextLabel.h"

namespace lumra {

QLabel* exportTextLabel(const QString& text, const QFont& font, const QColor& color,
                        QWidget* parent, const char* objectName = nullptr);

} // namespace lumra
