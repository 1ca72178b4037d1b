#include "panel/widgets/PanelBadges.h"

#include "panel/widgets/AccessibleTexts.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

namespace lumra {

namespace PP = PanelPalette;

CapsuleBadge* makeBadge(const BadgeModel& model, QWidget* parent) {
    const QColor& tint = statusColor(model.tint);
    CapsuleBadgeStyle style{PP::systemFont(11, QFont::Bold), tint, withOpacity(tint, 0.2), 10, 4};
    auto* badge = new CapsuleBadge(qText(model.text), style, parent);
    badge->setAccessibleName(qText(model.text));
    return badge;
}

void applyBadge(CapsuleBadge* badge, const BadgeModel& model) {
    const QColor& tint = statusColor(model.tint);
    const QString text = qText(model.text);
    setTextIfChanged(badge, text);
    setAccessibleNameIfChanged(badge, text);
    // Every poll applies the badge, mostly unchanged: a repaint only for a new tint.
    const QColor fill = withOpacity(tint, 0.2);
    if (badge->style().textColor != tint)
        badge->setTextColor(tint);
    if (badge->style().fill != fill)
        badge->setFill(fill);
}

} // namespace lumra
