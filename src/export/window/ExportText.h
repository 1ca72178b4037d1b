// Labels of the export window and its card: always plain text (reports carry
// network names and error sentences), in a given font and colour.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace lumra {

QLabel* exportTextLabel(const QString& text, const QFont& font, const QColor& color,
                        QWidget* parent, const char* objectName = nullptr);
// Sets the colour a label or text view draws its text in.
void setExportTextColor(QWidget* widget, const QColor& color);

} // namespace lumra
