#include "qt/FittingLabel.h"

#include "qt/PlainTextLabel.h"
#include "viewkit/TextFit.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace lumra {

FittingLabel::FittingLabel(const QFont& font, const QColor& color, double minimumScale,
                           QWidget* parent)
    : QLabel(parent), m_minimumScale(minimumScale) {
    setTextFormat(Qt::PlainText);
    setFont(font);
    setLabelColor(this, color);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize FittingLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QFont FittingLabel::fittedFont() const {
    QFont fitted = font();
    fitted.setPixelSize(fittedPixelSize(font().pixelSize(),
                                        QFontMetrics(fitted).horizontalAdvance(text()),
                                        contentsRect().width(), m_minimumScale));
    return fitted;
}

double FittingLabel::drawnPixelSize() const {
    return fittedFont().pixelSize();
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont fitted = fittedFont();
    painter.setFont(fitted);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    const QString shown = QFontMetrics(fitted).elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, static_cast<int>(alignment()), shown);
}

} // namespace lumra
