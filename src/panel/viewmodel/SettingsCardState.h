// The settings page's own state, without Qt: the selected tab, the last
// launch-at-login failure and whether an update check started here runs.
// A new state is made each time the page is built, so it starts afresh.
// Main actor.
#pragma once

#include "panel/viewmodel/OverlayCardModels.h"
#include "shell/login/LaunchAtLoginController.h"
#include "shell/update/AppUpdateController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumra {

class SettingsCardState final : public std::enable_shared_from_this<SettingsCardState> {
public:
    // onChange runs after every change of the state (the page redraws).
    static std::shared_ptr<SettingsCardState> create(std::function<void()> onChange);

    SettingsOverlayTab selectedTab() const { return m_selectedTab; }
    void selectTab(SettingsOverlayTab tab);

    // The last failure's sentence ("Failed to update login item: ..."),
    // absent after a success.
    const std::optional<std::string>& launchAtLoginError() const { return m_launchAtLoginError; }
    // Asks the controller; the switch keeps showing the controller's state.
    void setLaunchAtLogin(LaunchAtLoginController& controller, bool enabled);

    bool isCheckingForUpdate() const { return m_isCheckingForUpdate; }
    // Starts one check on the main actor unless one started here still runs.
    // The task holds this state weakly: once the page is gone, its end
    // writes nothing.
    void checkForUpdates(const std::shared_ptr<AppUpdateController>& controller);

private:
    explicit SettingsCardState(std::function<void()> onChange) : m_onChange(std::move(onChange)) {}
    void changed() const;
    static Task<void> runCheck(std::shared_ptr<AppUpdateController> controller,
                               std::weak_ptr<SettingsCardState> weakState);

    std::function<void()> m_onChange;
    SettingsOverlayTab m_selectedTab = SettingsOverlayTab::general;
    std::optional<std::string> m_launchAtLoginError;
    bool m_isCheckingForUpdate = false;
};

} // namespace lumra
