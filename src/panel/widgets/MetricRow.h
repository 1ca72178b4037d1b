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
