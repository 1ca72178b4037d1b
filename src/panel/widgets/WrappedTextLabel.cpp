#include "panel/widgets/WrappedTextLabel.h"

#include "qt/PlainTextLabel.h"

namespace lumra {

WrappedTextLabel::WrappedTextLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

int WrappedTextLabel::heightForWidth(int width) const {
    const QString current = text();
    const QFont currentFont = font();
    const QMargins margins = contentsMargins();
    for (const Measured& measured : m_measured) {
        if (measured.width == width && measured.text == current && measured.font == currentFont &&
            measured.margins == margins && measured.margin == margin() &&
            measured.indent == indent())
            return measured.height;
    }
    const int height = QLabel::heightForWidth(width);
    m_measured[m_next] = {width, height, current, currentFont, margins, margin(), indent()};
    m_next = (m_next + 1) % m_measured.size();
    return height;
}

WrappedTextLabel* makeWrappedTextLabel(const QString& text, const QFont& font, const QColor& color,
                                       QWidget* parent) {
    auto* label = new WrappedTextLabel(parent);
    label->setText(text);
    label->setFont(font);
    setLabelColor(label, color);
    return label;
}

} // namespace lumra
