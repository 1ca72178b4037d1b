// The rule under a popover page's tabs or between its sections, in the
// panel's rule colour. Main thread.
#pragma once

#include <QWidget>

namespace lumra {

// A rule over the full width, 1 high.
class SectionDivider final : public QWidget {
public:
    explicit SectionDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumra
