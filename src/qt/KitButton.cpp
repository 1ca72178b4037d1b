#include "qt/KitButton.h"

#include "qt/FocusRing.h"
#include "qt/KitAccessibility.h"
#include "qt/SymbolRegistry.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace lumra {

KitButton::KitButton(KitButtonStyle style, const QString& text, QWidget* parent)
    : QAbstractButton(parent), m_style(std::move(style)) {
    installKitAccessibility();
    setText(text);
    setFont(m_style.font);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool KitButton::isTab() const {
    return isCheckable() && (m_style.checkedTextColor || m_style.checkedFont ||
                             m_style.underlinesWhenChecked || m_style.checkedFill);
}

void KitButton::onClick(std::function<void()> action) {
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}

QBoxLayout* KitButton::contentLayout() {
    if (m_content == nullptr) {
        m_content = new QWidget(this);
        m_content->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_content->setGeometry(rect());
        auto* layout = new QBoxLayout(QBoxLayout::LeftToRight, m_content);
        layout->setContentsMargins(m_style.padding);
        layout->setSpacing(m_style.spacing);
        updateGeometry();
    }
    return static_cast<QBoxLayout*>(m_content->layout());
}

QFont KitButton::currentFont() const {
    return isChecked() && m_style.checkedFont ? *m_style.checkedFont : m_style.font;
}

QColor KitButton::currentTextColor() const {
    if (!isEnabled() && m_style.disabledTextColor)
        return *m_style.disabledTextColor;
    if (isChecked() && m_style.checkedTextColor)
        return *m_style.checkedTextColor;
    return m_style.textColor;
}

int KitButton::textWidth() const {
    if (text().isEmpty())
        return 0;
    // A checked tab keeps its unchecked width, and the other way round.
    int width = QFontMetrics(m_style.font).horizontalAdvance(text());
    if (m_style.checkedFont)
        width = std::max(width, QFontMetrics(*m_style.checkedFont).horizontalAdvance(text()));
    return width;
}

QSize KitButton::sizeHint() const {
    if (m_content != nullptr) {
        const QSize content = m_content->layout()->totalSizeHint();
        return hasHeightForWidth() ? QSize(content.width(), heightForWidth(content.width()))
                                   : content;
    }
    const bool hasSymbol = !m_style.symbolName.isEmpty();
    const int symbolWidth = hasSymbol ? static_cast<int>(std::ceil(m_style.symbolSize.width())) : 0;
    const int gap = hasSymbol && !text().isEmpty() ? m_style.spacing : 0;
    // A text button keeps its line's height while its text is blank.
    const int textHeight = text().isEmpty() && hasSymbol ? 0 : QFontMetrics(m_style.font).height();
    const int symbolHeight =
        hasSymbol ? static_cast<int>(std::ceil(m_style.symbolSize.height())) : 0;
    return {m_style.padding.left() + symbolWidth + gap + textWidth() + m_style.padding.right(),
            m_style.padding.top() + std::max(textHeight, symbolHeight) + m_style.padding.bottom()};
}

QSize KitButton::minimumSizeHint() const {
    return m_content != nullptr ? m_content->layout()->totalMinimumSize() : sizeHint();
}

bool KitButton::hasHeightForWidth() const {
    return m_content != nullptr && m_content->layout()->hasHeightForWidth();
}

int KitButton::heightForWidth(int width) const {
    return hasHeightForWidth() ? m_content->layout()->totalHeightForWidth(width)
                               : QAbstractButton::heightForWidth(width);
}

void KitButton::draw(QPainter& painter, const QRectF& rect) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool outlined = m_style.border.alpha() > 0;
    QColor fill = isChecked() && m_style.checkedFill ? *m_style.checkedFill : m_style.fill;
    if (isDown() && m_style.pressedFill)
        fill = *m_style.pressedFill;
    // A 1-wide outline sits on the half-pixel inside the rectangle.
    const QRectF shape = outlined ? rect.adjusted(0.5, 0.5, -0.5, -0.5) : rect;
    painter.setPen(outlined ? QPen(m_style.border, 1.0) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    switch (m_style.shape) {
    case KitButtonStyle::Shape::rounded:
        painter.drawRoundedRect(shape, m_style.cornerRadius, m_style.cornerRadius);
        break;
    case KitButtonStyle::Shape::circle:
        painter.drawEllipse(shape);
        break;
    case KitButtonStyle::Shape::none:
        break;
    }

    const QRectF content = rect.marginsRemoved(m_style.padding.toMarginsF());
    const QFont font = currentFont();
    const QColor color = currentTextColor();
    const bool hasSymbol = !m_style.symbolName.isEmpty();
    const double textWidth = text().isEmpty() ? 0.0 : QFontMetricsF(font).horizontalAdvance(text());
    const double gap = hasSymbol && !text().isEmpty() ? m_style.spacing : 0.0;
    const QSizeF symbol = hasSymbol ? m_style.symbolSize : QSizeF();
    const double blockWidth = symbol.width() + gap + textWidth;
    const double blockHeight =
        std::max(symbol.height(), text().isEmpty() ? 0.0 : QFontMetricsF(font).height());
    double x = content.left();
    if (m_style.alignment & Qt::AlignHCenter)
        x = content.left() + (content.width() - blockWidth) / 2.0;
    else if (m_style.alignment & Qt::AlignRight)
        x = content.right() - blockWidth;
    double top = content.top() + (content.height() - blockHeight) / 2.0;
    if (m_style.alignment & Qt::AlignTop)
        top = content.top();
    if (hasSymbol) {
        const QImage image = symbolImage(m_style.symbolName, symbol, color, devicePixelRatioF());
        if (!image.isNull())
            painter.drawImage(
                QRectF(QPointF(x, top + (blockHeight - symbol.height()) / 2.0), symbol), image);
        x += symbol.width() + gap;
    }
    if (!text().isEmpty()) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(x, top, rect.right() - x, blockHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    if (isChecked() && m_style.underlinesWhenChecked)
        painter.fillRect(QRectF(rect.left(), rect.bottom() - 2, rect.width(), 2), color);

    if (showsFocusRing(this)) {
        const double radius = m_style.shape == KitButtonStyle::Shape::circle
                                  ? rect.height() / 2.0
                                  : std::max(m_style.cornerRadius, 4.0);
        paintFocusRing(painter, rect, radius);
    }
    painter.restore();
}

void KitButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

void KitButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    if (m_content != nullptr)
        m_content->setGeometry(rect());
}

} // namespace lumra
