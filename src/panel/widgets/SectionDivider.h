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
