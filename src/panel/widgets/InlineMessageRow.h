// A message of the dashboard (monitoring paused, no connection, a captive
// portal) on its own small card; each poll applies the new model to the row
// in place. Main thread.
#pragma once

#include "panel/viewmodel/DashboardModel.h"
#include "qt/CardFrame.h"

#include <QColor>
#include <QLabel>

namespace lumra {

// A dot in the accent colour beside a wrapping caption, on a rounded card.
class InlineMessageRow final : public CardFrame {
public:
    InlineMessageRow(const InlineMessageModel& model, QWidget* parent = nullptr);
    void apply(const InlineMessageModel& model);
    QLabel* textLabel() const { return m_text; }
    QColor accentColor() const { return m_accent; }

private:
    QWidget* m_dot;
    QLabel* m_text;
    QColor m_accent;
};

} // namespace lumra
