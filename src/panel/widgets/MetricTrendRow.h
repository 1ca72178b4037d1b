// The metric rows with a trend, on the dashboard and the connection monitor's
// page: title, value and a small sparkline of the recent samples, updated in
// place on each poll. Main thread.
#pragma once

#include "panel/viewmodel/DashboardModel.h"
#include "qt/SparklineView.h"

#include <QLabel>
#include <QString>
#include <QWidget>

namespace lumra {

// Title (82 wide), value (64 wide, right-aligned) and a 164 x 20 sparkline.
class MetricTrendRow final : public QWidget {
public:
    explicit MetricTrendRow(const MetricRowModel& model, QWidget* parent = nullptr);
    void apply(const MetricRowModel& model);
    QLabel* titleLabel() const { return m_title; }
    QLabel* valueLabel() const { return m_value; }
    InlineSparklineView* sparkline() const { return m_sparkline; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitValue();
    void fixValueHeight();

    QLabel* m_title;
    QLabel* m_value;
    QString m_valueText;
    bool m_valueHeightFixed = false;
    InlineSparklineView* m_sparkline;
};

// A metric row of a model: a trend row when it has samples, else a plain one.
QWidget* makeMetricRow(const MetricRowModel& model, QWidget* parent = nullptr);
void applyMetricRow(QWidget* row, const MetricRowModel& model);

} // namespace lumra
