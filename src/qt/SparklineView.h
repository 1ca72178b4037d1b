// A row of the width of its parent drawing a sparkline of normalised
// samples. Main thread.
#pragma once

#include "viewkit/Sparkline.h"

#include <QColor>
#include <QWidget>
#include <optional>
#include <vector>

namespace lumra {

class InlineSparklineView final : public QWidget {
public:
    explicit InlineSparklineView(QWidget* parent = nullptr);

    void setSeries(std::vector<double> samples, std::optional<ChartDomain> yDomain,
                   const QColor& strokeColor);
    const std::vector<double>& plottedValues() const { return m_values; }
    // Draws into rect (a test can aim it at an image).
    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_samples;
    std::optional<ChartDomain> m_domain;
    std::vector<double> m_values;
    QColor m_stroke;
};

} // namespace lumra
