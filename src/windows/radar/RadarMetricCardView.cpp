#include "windows/radar/RadarMetricCardView.h"

#include "panel/viewmodel/Sparkline.h"
#include "qt/Palette.h"
#include "windows/radar/WiFiRadarPalette.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

QFont titleFont() {
    return radar::monospacedFont(12, QFont::DemiBold);
}
QFont valueFont() {
    return radar::monospacedFont(14, QFont::DemiBold);
}

} // namespace

void paintRadarSparkline(QPainter& painter, const QRectF& box, const std::vector<double>& samples,
                         const std::optional<ChartDomain>& yDomain, const QColor& colour) {
    const std::vector<double> plotted = sparklinePlotValues(samples, yDomain);
    const SparklineGeometry geometry = sparklineGeometry(plotted, box.width(), box.height());
    painter.save();
    painter.translate(box.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!geometry.points.empty()) {
        QPainterPath area;
        area.moveTo(0, geometry.baselineY);
        for (const SparklinePoint& point : geometry.points)
            area.lineTo(point.x, point.y);
        area.lineTo(geometry.points.back().x, geometry.baselineY);
        area.closeSubpath();
        painter.fillPath(area, withOpacity(colour, 0.2));
    }
    QPen baseline(withOpacity(colour, 0.35), 0.8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    baseline.setMiterLimit(10);
    painter.setPen(baseline);
    painter.drawLine(QPointF(0, geometry.baselineY), QPointF(geometry.width, geometry.baselineY));
    if (!geometry.points.empty()) {
        QPainterPath line;
        line.moveTo(geometry.points.front().x, geometry.points.front().y);
        for (std::size_t i = 1; i < geometry.points.size(); ++i)
            line.lineTo(geometry.points[i].x, geometry.points[i].y);
        painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
    }
    painter.restore();
}

RadarMetricCardView::RadarMetricCardView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RadarMetricCardView::setCard(const RadarMetricCardModel& card, const QColor& colour) {
    if (card == m_card && colour == m_colour)
        return;
    m_card = card;
    m_colour = colour;
    setAccessibleName(QString::fromStdString(m_card.title + " " + m_card.valueText()));
    update();
}

int RadarMetricCardView::rowHeight() const {
    return std::max(QFontMetrics(titleFont()).height(), QFontMetrics(valueFont()).height());
}

QSize RadarMetricCardView::sizeHint() const {
    return {160, 2 * kVerticalPadding + rowHeight() + kRowSpacing + kSparklineHeight};
}

QRectF RadarMetricCardView::sparklineRect() const {
    return QRectF(kHorizontalPadding, kVerticalPadding + rowHeight() + kRowSpacing,
                  std::max(0, width() - 2 * kHorizontalPadding), kSparklineHeight);
}

void RadarMetricCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath block;
    block.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    painter.fillPath(block, paletteWhite(0.05));
    painter.setPen(QPen(radar::separator(), 1));
    painter.drawPath(block);

    const QRect row(kHorizontalPadding, kVerticalPadding, width() - 2 * kHorizontalPadding,
                    rowHeight());
    painter.setFont(titleFont());
    painter.setPen(radar::secondaryText());
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(m_card.title));
    painter.setFont(valueFont());
    painter.setPen(m_colour);
    painter.drawText(row, Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(m_card.valueText()));

    paintRadarSparkline(painter, sparklineRect(), m_card.samples, m_card.yDomain, m_colour);
}

} // namespace lumra
