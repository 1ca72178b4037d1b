// A plain-text label that wraps and remembers the heights it measured: a
// layout asks a wrapping label its height for a width many times over while
// it lays out a page, and each answer lays the whole text out again. Main
// thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMargins>
#include <QString>
#include <array>

namespace lumra {

class WrappedTextLabel final : public QLabel {
public:
    explicit WrappedTextLabel(QWidget* parent = nullptr);
    int heightForWidth(int width) const override;

private:
    // What the height depends on besides the width.
    struct Measured {
        int width = -1;
        int height = 0;
        QString text;
        QFont font;
        QMargins margins;
        int margin = 0;
        int indent = 0;
    };
    mutable std::array<Measured, 4> m_measured;
    mutable std::size_t m_next = 0;
};

// As makeTextLabel with wrapping.
WrappedTextLabel* makeWrappedTextLabel(const QString& text, const QFont& font, const QColor& color,
                                       QWidget* parent = nullptr);

} // namespace lumra
