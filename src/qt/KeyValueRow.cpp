#include "qt/KeyValueRow.h"

#include "qt/PlainTextLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QTextLayout>

namespace lumra {

QString elidedToLines(const QString& text, const QFont& font, int width, int maximumLines) {
    if (width <= 0 || maximumLines <= 0)
        return text;
    // No glyph is narrower than a pixel: what lies past maximumLines lines
    // of width characters cannot show, and a long text from outside would
    // cost its whole layout on every refresh.
    qsizetype shown = qsizetype(maximumLines) * width;
    if (shown < text.size() && text[shown - 1].isHighSurrogate())
        --shown;
    QString flowing = text.left(shown);
    bool cut = text.size() > shown;
    flowing.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    bool brokeInsideWord = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maximumLines) {
            cut = true;
            break;
        }
        const qsizetype end = line.textStart() + line.textLength();
        if (end < flowing.size() && !flowing[end - 1].isSpace() && !flowing[end].isSpace())
            brokeInsideWord = true;
        lines << flowing.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    // A label wraps only between words: a run wider than the line gets its
    // breaks here, or it would widen the label.
    if (!cut)
        return brokeInsideWord ? lines.join(QLatin1Char('\n')) : text;
    for (QString& line : lines)
        line.remove(QChar::LineSeparator);
    // The last line ends in an ellipsis, losing as much of its end as needed.
    const QFontMetrics metrics(font);
    const QString ellipsis(QChar(0x2026));
    QString last = lines.takeLast();
    while (!last.isEmpty() && metrics.horizontalAdvance(last + ellipsis) > width)
        last.chop(1);
    lines << last + ellipsis;
    return lines.join(QLatin1Char('\n'));
}

KeyValueRow::KeyValueRow(const QString& key, const QString& value, KeyValueRowStyle style,
                         QWidget* parent)
    : QWidget(parent), m_style(std::move(style)), m_value(value), m_key(new QLabel(this)),
      m_valueLabel(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(m_style.spacing);

    m_key->setTextFormat(Qt::PlainText);
    m_key->setText(key);
    m_key->setFont(m_style.keyFont);
    m_key->setFixedWidth(m_style.keyWidth);
    m_key->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setLabelColor(m_key, m_style.keyColor);

    m_valueLabel->setTextFormat(Qt::PlainText);
    m_valueLabel->setFont(m_style.valueFont);
    m_valueLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_valueLabel->setWordWrap(true);
    m_valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_valueLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setLabelColor(m_valueLabel, m_style.valueColor);

    layout->addWidget(m_key, 0, Qt::AlignTop);
    layout->addWidget(m_valueLabel, 1, Qt::AlignTop);
    showValue();
}

void KeyValueRow::setValue(const QString& value) {
    m_value = value;
    showValue();
}

void KeyValueRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showValue();
}

void KeyValueRow::showValue() {
    const int width = m_valueLabel->width() > 0 ? m_valueLabel->width() : 400;
    const QString shown =
        elidedToLines(m_value, m_style.valueFont, width, m_style.maximumValueLines);
    if (m_valueLabel->text() != shown)
        m_valueLabel->setText(shown);
}

} // namespace lumra
