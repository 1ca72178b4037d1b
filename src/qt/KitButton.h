// The kit's one painted button: an optional shape (rounded rectangle,
// circle or none) with fill and outline, an optional symbol and an optional
// text, and the focus ring while it has keyboard focus. A checkable button
// may draw its checked state in another colour and font with a rule under
// it (a tab). In place of symbol and text it may hold a row of widgets (a
// list row whose text wraps). Main thread.
#pragma once

#include <QAbstractButton>
#include <QBoxLayout>
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QSizeF>
#include <functional>
#include <optional>

namespace lumra {

struct KitButtonStyle {
    enum class Shape { none, rounded, circle };
    Shape shape = Shape::none;
    double cornerRadius = 0.0;
    QColor fill = Qt::transparent;
    // The fill while pressed; the fill when unset.
    std::optional<QColor> pressedFill{};
    // No outline when transparent.
    QColor border = Qt::transparent;
    QFont font{};
    QColor textColor = Qt::white;
    // The text colour while disabled; the text colour when unset.
    std::optional<QColor> disabledTextColor{};
    // The symbol's colour is the text colour.
    QString symbolName{};
    QSizeF symbolSize{};
    QMargins padding{};
    // Between symbol and text, or between the content's widgets.
    int spacing = 5;
    // Where the symbol-and-text block sits inside the padding.
    Qt::Alignment alignment = Qt::AlignCenter;
    // A checked tab's look.
    std::optional<QColor> checkedTextColor{};
    std::optional<QFont> checkedFont{};
    bool underlinesWhenChecked = false;
    // The fill while checked (and not pressed); the fill when unset.
    std::optional<QColor> checkedFill{};
};

class KitButton final : public QAbstractButton {
public:
    explicit KitButton(KitButtonStyle style, const QString& text = {}, QWidget* parent = nullptr);

    // Runs action on every click.
    void onClick(std::function<void()> action);
    const KitButtonStyle& style() const { return m_style; }
    // Checkable, with a checked look of its own: assistive technology hears
    // of a tab, selected while checked.
    bool isTab() const;
    // Widgets drawn on the shape, leading to trailing inside the padding;
    // clicks pass through them to the button, and the button takes their
    // size and their height for its width. Made at the first call.
    QBoxLayout* contentLayout();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFont currentFont() const;
    QColor currentTextColor() const;
    int textWidth() const;

    KitButtonStyle m_style;
    QWidget* m_content = nullptr;
};

} // namespace lumra
