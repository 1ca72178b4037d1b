// The kit's rule: 1 high across the full width, under a popover page's tabs
// or between the sections of a page, a column or a card. Main thread.
#pragma once

#include <QColor>
#include <QWidget>

namespace lumra {

class SectionDivider final : public QWidget {
public:
    // In the popover's rule colour.
    explicit SectionDivider(QWidget* parent = nullptr);
    // In the colour of the surface it divides (a window's or a card's border).
    explicit SectionDivider(const QColor& color, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace lumra
