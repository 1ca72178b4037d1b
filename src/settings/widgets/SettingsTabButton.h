// A page's button in either settings view: a checkable kit button with the
// page's symbol and title in the view's own look, checked while its page is
// shown. Main thread.
#pragma once

#include "qt/KitButton.h"
#include "settings/viewmodel/SettingsTexts.h"

#include <functional>
#include <span>

namespace lumra {

// look gives everything but the symbol, which comes from tab.
KitButton* makeSettingsTabButton(const SettingsTabModel& tab, KitButtonStyle look,
                                 std::function<void()> action, QWidget* parent);

// Checks the selected page's button and unchecks the others; buttons are in
// the order of settingsTabs().
void showSelectedTab(std::span<KitButton* const> buttons, SettingsTab selected);

} // namespace lumra
