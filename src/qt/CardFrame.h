// A card: a rounded rectangle with a fill and a 1-wide border, padded on every
// side, holding a vertical stack of rows. Main thread.
#pragma once

#include <QColor>
#include <QVBoxLayout>
#include <QWidget>

namespace lumra {

struct CardStyle {
    QColor fill;
    QColor border;
    double cornerRadius = 10.0;
    int padding = 14;
    int spacing = 10;
};

class CardFrame final : public QWidget {
public:
    explicit CardFrame(CardStyle style, QWidget* parent = nullptr);

    // Rows go here, top to bottom.
    QVBoxLayout* contentLayout() const { return m_layout; }
    const CardStyle& style() const { return m_style; }

    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CardStyle m_style;
    QVBoxLayout* m_layout;
};

} // namespace lumra
