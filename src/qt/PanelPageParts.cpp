#include "qt/PanelPageParts.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PanelButtons.h"
#include "qt/PlainTextLabel.h"

#include <QHBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

QLayout* makePageHeader(QWidget* owner, const QString& title, const QString& subtitle,
                        const QString& backAccessibilityLabel, std::function<void()> onBack) {
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(
        makeTextLabel(title, PP::systemFont(18, QFont::DemiBold), PP::primaryText(), owner));
    if (!subtitle.isEmpty()) {
        column->addWidget(makeTextLabel(subtitle, PP::captionFont(), PP::secondaryText(), owner));
    }
    header->addLayout(column);
    header->addStretch(1);
    header->addWidget(makeBackButton(backAccessibilityLabel, std::move(onBack), owner), 0,
                      Qt::AlignTop);
    return header;
}

CapsuleBadge* makeChip(const QString& text, QWidget* parent) {
    CapsuleBadgeStyle style{PP::captionFont(), PP::secondaryText(), PP::controlFill(), 8, 3};
    return new CapsuleBadge(text, style, parent);
}

} // namespace lumra
