// One metric card of the radar window: title and value on a row, a small
// trend line below, on a rounded, outlined block. Main thread.
#pragma once

#include "windows/radar/viewmodel/RadarMetricCards.h"

#include <QColor>
#include <QWidget>

class QPainter;

namespace lumra {

// The radar's sparkline in box: the area under the curve, the baseline and
// the curve, in colour.
void paintRadarSparkline(QPainter& painter, const QRectF& box, const std::vector<double>& samples,
                         const std::optional<ChartDomain>& yDomain, const QColor& colour);

class RadarMetricCardView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHorizontalPadding = 9;
    static constexpr int kVerticalPadding = 6;
    static constexpr int kSparklineHeight = 15;
    static constexpr int kRowSpacing = 4;

    explicit RadarMetricCardView(QWidget* parent = nullptr);

    void setCard(const RadarMetricCardModel& card, const QColor& colour);
    const RadarMetricCardModel& card() const { return m_card; }
    // Where the trend line is drawn, in the card's coordinates.
    QRectF sparklineRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int rowHeight() const;

    RadarMetricCardModel m_card;
    QColor m_colour;
};

} // namespace lumra
