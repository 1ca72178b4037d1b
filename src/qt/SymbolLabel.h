// A label that shows one symbol of the registry as an image. Main thread.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

namespace lumra {

// A symbol drawn at side x side in a colour, centred in the label (empty for
// an unknown name).
QLabel* makeSymbolImage(const QString& symbolName, double side, const QColor& color,
                        QWidget* parent = nullptr);

// Redraws the label's symbol; the same symbol, side and colour again draw
// nothing.
void setSymbolImage(QLabel* label, const QString& symbolName, double side, const QColor& color);

// A symbol image (by system-symbol name) at a font size, in a colour: a
// square 1.2 of the size, read by no screen reader.
QLabel* makeSymbolLabel(const QString& symbolName, double pointSize, const QColor& color,
                        QWidget* parent = nullptr);

} // namespace lumra
