#include "qt/PanelButtons.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace PP = PanelPalette;

KitButton* makeHeaderIconButton(const QString& symbolName, const QString& accessibilityLabel,
                                const QString& help, std::function<void()> action,
                                QWidget* parent) {
    auto* button = new KitButton(KitButtonStyle{.shape = KitButtonStyle::Shape::circle,
                                                .fill = PP::controlFill(),
                                                .textColor = PP::secondaryText(),
                                                .symbolName = symbolName,
                                                .symbolSize = QSizeF(13, 13)},
                                 QString(), parent);
    button->setFixedSize(22, 22);
    button->setAccessibleName(accessibilityLabel);
    button->setToolTip(help);
    button->onClick(std::move(action));
    return button;
}

KitButton* makeBackButton(const QString& accessibilityLabel, std::function<void()> action,
                          QWidget* parent) {
    auto* button = new KitButton(KitButtonStyle{.font = PP::captionFont(),
                                                .textColor = PP::secondaryText(),
                                                .symbolName = QStringLiteral("chevron.left"),
                                                .symbolSize = QSizeF(10, 10),
                                                .padding = QMargins(1, 0, 0, 0),
                                                .alignment = Qt::AlignLeft | Qt::AlignVCenter},
                                 QStringLiteral("Back"), parent);
    button->setMinimumHeight(14);
    button->setAccessibleName(accessibilityLabel);
    button->onClick(std::move(action));
    return button;
}

KitButton* makePlainSymbolButton(const QString& symbolName, double pointSize, QWidget* parent) {
    const int side = static_cast<int>(std::ceil(pointSize * 1.1));
    auto* button = new KitButton(KitButtonStyle{.textColor = PP::secondaryText(),
                                                .symbolName = symbolName,
                                                .symbolSize = QSizeF(side, side)},
                                 QString(), parent);
    button->setFixedSize(side, side);
    return button;
}

KitButton* makePanelButton(const QString& text, bool prominent, QWidget* parent) {
    const QColor fill = prominent ? statusColor(StatusColor::accent) : PP::controlFill();
    // Padding 10 beside the text inside a 1-wide border; 19 high with the
    // caption font, the platform's small push button.
    return new KitButton(
        KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                       .cornerRadius = 5,
                       .fill = fill,
                       .pressedFill = withOpacity(fill, std::min(1.0, fill.alphaF() + 0.15)),
                       .border = PP::border(),
                       .font = PP::captionFont(),
                       .textColor = PP::primaryText(),
                       .disabledTextColor = PP::tertiaryText(),
                       .padding = QMargins(11, 2, 11, 3)},
        text, parent);
}

} // namespace lumra
