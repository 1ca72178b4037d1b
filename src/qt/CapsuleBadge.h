// A short text on a capsule: padding left/right and top/bottom around the
// text, the capsule filled with a colour. The text is always plain text.
// Main thread.
#pragma once

#include <QColor>
#include <QLabel>

namespace lumra {

struct CapsuleBadgeStyle {
    QFont font;
    QColor textColor;
    QColor fill;
    int horizontalPadding = 9;
    int verticalPadding = 4;
};

class CapsuleBadge final : public QLabel {
public:
    CapsuleBadge(const QString& text, CapsuleBadgeStyle style, QWidget* parent = nullptr);

    void setFill(const QColor& fill);
    void setTextColor(const QColor& color);
    const CapsuleBadgeStyle& style() const { return m_style; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTextColor();

    CapsuleBadgeStyle m_style;
};

} // namespace lumra
