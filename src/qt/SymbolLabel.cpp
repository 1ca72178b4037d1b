#include "qt/SymbolLabel.h"

#include "qt/SymbolRegistry.h"

#include <cmath>

namespace lumra {

QLabel* makeSymbolImage(const QString& symbolName, double side, const QColor& color,
                        QWidget* parent) {
    auto* label = new QLabel(parent);
    // No text ever, but a label stays plain text wherever it is.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    setSymbolImage(label, symbolName, side, color);
    return label;
}

void setSymbolImage(QLabel* label, const QString& symbolName, double side, const QColor& color) {
    // Rendering an SVG is the costly part of a redraw: skip an unchanged one.
    const QString key = symbolName + QLatin1Char('|') + color.name(QColor::HexArgb) +
                        QLatin1Char('|') + QString::number(side);
    if (label->property("symbolKey").toString() == key)
        return;
    label->setProperty("symbolKey", key);
    label->setPixmap(
        symbolPixmap(symbolName, QSizeF(side, side), color, label->devicePixelRatioF()));
}

QLabel* makeSymbolLabel(const QString& symbolName, double pointSize, const QColor& color,
                        QWidget* parent) {
    const double side = std::ceil(pointSize * 1.2);
    QLabel* label = makeSymbolImage(symbolName, side, color, parent);
    label->setFixedSize(static_cast<int>(side), static_cast<int>(side));
    label->setAccessibleName(QString());
    return label;
}

} // namespace lumra
