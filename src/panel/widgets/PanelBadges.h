// The popover's health and quality badges. Main thread.
#pragma once

#include "panel/viewmodel/PanelTexts.h"
#include "qt/CapsuleBadge.h"

namespace lumra {

// The health or quality badge: bold caption text in the tint on the tint at
// 0.2, padding 10 x 4.
CapsuleBadge* makeBadge(const BadgeModel& model, QWidget* parent = nullptr);
void applyBadge(CapsuleBadge* badge, const BadgeModel& model);

} // namespace lumra
