// A key over a fixed width beside its value, aligned at the top: the key in a
// quieter style, the value taking the remaining width, cut after a number of
// lines and selectable. Both are plain text. Main thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

namespace lumra {

struct KeyValueRowStyle {
    QFont keyFont;
    QColor keyColor;
    QFont valueFont;
    QColor valueColor;
    int keyWidth = 120;
    int spacing = 10;
    int maximumValueLines = 2;
};

class KeyValueRow final : public QWidget {
public:
    KeyValueRow(const QString& key, const QString& value, KeyValueRowStyle style,
                QWidget* parent = nullptr);

    void setValue(const QString& value);
    QString key() const { return m_key->text(); }
    // The value as given; the label may show it cut.
    QString value() const { return m_value; }
    QLabel* keyLabel() const { return m_key; }
    QLabel* valueLabel() const { return m_valueLabel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showValue();

    KeyValueRowStyle m_style;
    QString m_value;
    QLabel* m_key;
    QLabel* m_valueLabel;
};

// The text cut to at most maximumLines lines of width (words wrapped, a
// run without spaces wrapped anywhere), with an ellipsis at the end of the
// last line when anything was left out. Only the start that can show is
// laid out, however long the text.
QString elidedToLines(const QString& text, const QFont& font, int width, int maximumLines);

} // namespace lumra
