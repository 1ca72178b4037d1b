#include "settings/widgets/SettingsTabButton.h"

#include "qt/QtText.h"

namespace lumra {

KitButton* makeSettingsTabButton(const SettingsTabModel& tab, KitButtonStyle look,
                                 std::function<void()> action, QWidget* parent) {
    look.symbolName = qText(tab.symbolName);
    auto* button = new KitButton(std::move(look), qText(tab.title), parent);
    button->setAccessibleName(qText(tab.title));
    button->setCheckable(true);
    button->onClick(std::move(action));
    return button;
}

void showSelectedTab(std::span<KitButton* const> buttons, SettingsTab selected) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setChecked(static_cast<std::size_t>(selected) == i);
        buttons[i]->update();
    }
}

} // namespace lumra
