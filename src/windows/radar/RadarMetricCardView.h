// One metric card of the radar window: title and value on a row, a small
// trend line below, on a rounded, outlined block. Main thread.
#pragma once

#include "qt/SparklineView.h"
#include "windows/radar/viewmodel/RadarMetricCards.h"

#include <QColor>
#include <QWidget>

namespace lumra {

class RadarMetricCardView final : public QWidget {
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
    InlineSparklineView* sparkline() const { return m_sparkline; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int rowHeight() const;

    RadarMetricCardModel m_card;
    QColor m_colour;
    InlineSparklineView* m_sparkline;
};

} // namespace lumra
