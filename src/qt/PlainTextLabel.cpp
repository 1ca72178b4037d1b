#include "qt/PlainTextLabel.h"

namespace lumra {

QLabel* makeTextLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent,
                      bool wraps) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setWordWrap(wraps);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QWidget* widget, const QColor& color) {
    // Inside a button a label would take the button's text role.
    if (qobject_cast<QLabel*>(widget) != nullptr)
        widget->setForegroundRole(QPalette::WindowText);
    QPalette colors = widget->palette();
    if (widget->testAttribute(Qt::WA_SetPalette) && colors.color(QPalette::WindowText) == color &&
        colors.color(QPalette::Text) == color)
        return;
    colors.setColor(QPalette::WindowText, color);
    colors.setColor(QPalette::Text, color);
    widget->setPalette(colors);
}

QString breakableAnywhere(const QString& text) {
    // Longer than any word of the interface's own texts, and short enough
    // to fit the narrowest wrapping label on one line.
    constexpr qsizetype longestUnbroken = 32;
    const QChar breakOpportunity(0x200B);
    QString result;
    qsizetype runStart = 0;
    auto flushRun = [&](qsizetype end) {
        if (end - runStart <= longestUnbroken) {
            result += QStringView(text).mid(runStart, end - runStart);
            return;
        }
        for (qsizetype i = runStart; i < end; ++i) {
            result += text[i];
            // Never inside a surrogate pair or before a combining mark.
            const bool splits =
                i + 1 < end && (text[i + 1].isLowSurrogate() || text[i + 1].isMark());
            if (!splits && i + 1 < end)
                result += breakOpportunity;
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isSpace()) {
            flushRun(i);
            result += text[i];
            runStart = i + 1;
        }
    }
    flushRun(text.size());
    return result;
}

void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

} // namespace lumra
