#include "panel/widgets/PanelBadges.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

namespace lumra {

namespace PP = PanelPalette;

CapsuleBadge* makeChip(const QString& text, QWidget* parent) {
    CapsuleBadgeStyle style{PP::captionFont(), PP::secondaryText(), PP::controlFill(), 8, 3};
    return new CapsuleBadge(text, style, parent);
}

CapsuleBadge* makeBadge(const BadgeModel& model, QWidget* parent) {
    const QColor& tint = statusColor(model.tint);
    CapsuleBadgeStyle style{PP::systemFont(11, QFont::Bold), tint, withOpacity(tint, 0.2), 10, 4};
    auto* badge = new CapsuleBadge(qText(model.text), style, parent);
    badge->setAccessibleName(qText(model.text));
    return badge;
}

void applyBadge(CapsuleBadge* badge, const BadgeModel& model) {
    const QColor& tint = statusColor(model.tint);
    setTextIfChanged(badge, qText(model.text));
    badge->setAccessibleName(qText(model.text));
    badge->setTextColor(tint);
    badge->setFill(withOpacity(tint, 0.2));
}

} // namespace lumra
