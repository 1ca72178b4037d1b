#pragma once

#include "panel/viewmodel/DashboardModel.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace lumra {

// A dot in the accent colour beside a wrapping caption, on a rounded card.
class InlineMessageRow final : public QWidget {
public:
    InlineMessageRow(const InlineMessageModel& model, QWidget* parent = nullptr);
    void apply(const InlineMessageModel& model);
    QLabel* textLabel() const { return m_text; }
    QColor accentColor() const { return m_accent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_dot;
    QLabel* m_text;
    QColor m_accent;
};

} // namespace lumra
