#include "qt/SparklineView.h"

#include "qt/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace lumra {

InlineSparklineView::InlineSparklineView(QWidget* parent) : QWidget(parent) {
    setFixedSize(164, 20);
}

void InlineSparklineView::setSeries(std::vector<double> samples, std::optional<ChartDomain> yDomain,
                                    const QColor& strokeColor) {
    if (samples == m_samples && yDomain == m_domain && strokeColor == m_stroke) {
        return;
    }
    m_values = sparklinePlotValues(samples, yDomain);
    m_samples = std::move(samples);
    m_domain = yDomain;
    m_stroke = strokeColor;
    update();
}

void InlineSparklineView::draw(QPainter& painter, const QRectF& rect) const {
    const SparklineGeometry g = sparklineGeometry(m_values, rect.width(), rect.height());
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!g.points.empty()) {
        QPainterPath area;
        area.moveTo(0, g.baselineY);
        for (const auto& p : g.points) {
            area.lineTo(p.x, p.y);
        }
        area.lineTo(g.points.back().x, g.baselineY);
        area.closeSubpath();
        painter.fillPath(area, withOpacity(m_stroke, 0.2));
    }
    QPen baseline(withOpacity(m_stroke, 0.35), 0.8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    baseline.setMiterLimit(10);
    painter.setPen(baseline);
    painter.drawLine(QPointF(0, g.baselineY), QPointF(g.width, g.baselineY));
    if (!g.points.empty()) {
        QPainterPath line;
        line.moveTo(g.points.front().x, g.points.front().y);
        for (std::size_t i = 1; i < g.points.size(); ++i) {
            line.lineTo(g.points[i].x, g.points[i].y);
        }
        painter.setPen(QPen(m_stroke, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
    }
    painter.restore();
}

void InlineSparklineView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

} // namespace lumra
