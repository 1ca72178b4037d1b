// The popover's buttons, each a kit button in the panel's look. Main thread.
#pragma once

#include "qt/KitButton.h"

#include <QString>
#include <functional>

namespace lumra {

// A round 22 x 22 button with a 13-point symbol on `controlFill`.
KitButton* makeHeaderIconButton(const QString& symbolName, const QString& accessibilityLabel,
                                const QString& help, std::function<void()> action,
                                QWidget* parent = nullptr);

// "Back" with a chevron, plain; calls action.
KitButton* makeBackButton(const QString& accessibilityLabel, std::function<void()> action,
                          QWidget* parent = nullptr);

// A symbol alone as a button: no bezel, no background, 1.1 of pointSize square.
KitButton* makePlainSymbolButton(const QString& symbolName, double pointSize,
                                 QWidget* parent = nullptr);

// A push button of the panel: bordered (or prominent, in the accent
// colour), small control size.
KitButton* makePanelButton(const QString& text, bool prominent = false, QWidget* parent = nullptr);

} // namespace lumra
