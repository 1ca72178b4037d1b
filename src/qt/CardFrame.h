// The kit's one container: a rounded rectangle (or capsule) with a fill and
// an optional 1-wide border, padded, holding a stack of rows or a row of
// widgets. A view's own card derives from it and fills its layout. Main
// thread.
#pragma once

#include <QBoxLayout>
#include <QColor>
#include <QMargins>
#include <QWidget>
#include <optional>

class QPainter;

namespace lumra {

struct CardStyle {
    QColor fill{};
    // No border when transparent.
    QColor border = Qt::transparent;
    // Negative: half the height (a capsule).
    double cornerRadius = 10.0;
    int padding = 14;
    int spacing = 10;
    // Other padding on each side than padding.
    std::optional<QMargins> margins{};
    Qt::Orientation orientation = Qt::Vertical;
};

// Paints a card's rounded rectangle into rect: views that draw their own
// content on a card (the radar's) share the look.
void paintCard(QPainter& painter, const QRectF& rect, const CardStyle& style);

class CardFrame : public QWidget {
public:
    explicit CardFrame(CardStyle style, QWidget* parent = nullptr);

    // Rows (or, horizontal, widgets) go here, top to bottom or leading to
    // trailing.
    QBoxLayout* contentLayout() const { return m_layout; }
    const CardStyle& style() const { return m_style; }

    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CardStyle m_style;
    QBoxLayout* m_layout;
};

} // namespace lumra
