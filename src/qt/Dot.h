// A filled circle of a fixed size. Main thread.
#pragma once

#include <QColor>
#include <QWidget>

namespace lumra {

class Dot final : public QWidget {
public:
    Dot(int side, QColor color, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace lumra
