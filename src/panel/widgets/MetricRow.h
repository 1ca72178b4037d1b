// The popover's plain metric row, for a value without a trend (the captive
// portal page's lines, the dashboard's rows without samples). Its value label
// keeps its size while the text changes, so a new value lays nothing out.
// Main thread.
#pragma once

#include <QLabel>
#include <QWidget>

namespace lumra {

// Title left, value right.
class MetricRow final : public QWidget {
public:
    MetricRow(const QString& title, const QString& value, QWidget* parent = nullptr);
    void setValue(const QString& value);
    QLabel* titleLabel() const { return m_title; }
    QLabel* valueLabel() const { return m_value; }

private:
    void fitValueSize();

    QLabel* m_title;
    QLabel* m_value;
};

} // namespace lumra
