// Parts every page of the popover shares, in the panel's look: the page
// header with its Back button and the chip. Main thread.
#pragma once

#include "qt/CapsuleBadge.h"

#include <QLayout>
#include <QString>
#include <functional>

namespace lumra {

// Title (18 pt semibold), optionally a subtitle under it, and Back.
QLayout* makePageHeader(QWidget* owner, const QString& title, const QString& subtitle,
                        const QString& backAccessibilityLabel, std::function<void()> onBack);

// A capsule chip on `controlFill` (padding 8 x 3, caption font).
CapsuleBadge* makeChip(const QString& text, QWidget* parent = nullptr);

} // namespace lumra
