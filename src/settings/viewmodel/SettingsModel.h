// The state of a settings view, without Qt, for the popover's settings page
// and the Settings window alike: the selected tab, the last launch-at-login
// failure and whether an update check started here runs. The page makes a new
// one each time it is built, so it starts afresh; the window keeps one. The
// switches read the launch-at-login controller, which the composition root
// shares between both views, so each shows the registration as it is.
// Main actor.
#pragma once

#include "settings/viewmodel/SettingsTab.h"
#include "shell/login/LaunchAtLoginController.h"
#include "shell/update/AppUpdateController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

class SettingsModel final : public std::enable_shared_from_this<SettingsModel> {
public:
    // onChange runs after every change of the state (the page redraws).
    static std::shared_ptr<SettingsModel> create(std::function<void()> onChange);

    SettingsTab selectedTab() const { return m_selectedTab; }
    void selectTab(SettingsTab tab);

    // The last failure's sentence ("Failed to update login item: ..."),
    // absent after a success.
    const std::optional<std::string>& launchAtLoginError() const { return m_launchAtLoginError; }
    // Asks the controller; the switch keeps showing the controller's state.
    void setLaunchAtLogin(LaunchAtLoginController& controller, bool enabled);
    // The window's alert was dismissed.
    void dismissLaunchAtLoginError();

    bool isCheckingForUpdate() const { return m_isCheckingForUpdate; }
    // "Check for Updates"; empty while a check runs (a spinner takes its place).
    std::string_view checkButtonTitle() const;
    // Starts one check on the main actor unless one started here still runs.
    // The task holds this state weakly: once the page is gone, its end
    // writes nothing.
    void checkForUpdates(const std::shared_ptr<AppUpdateController>& controller);

private:
    explicit SettingsModel(std::function<void()> onChange) : m_onChange(std::move(onChange)) {}
    void changed() const;
    static Task<void> runCheck(std::shared_ptr<AppUpdateController> controller,
                               std::weak_ptr<SettingsModel> weakState);

    std::function<void()> m_onChange;
    SettingsTab m_selectedTab = SettingsTab::general;
    std::optional<std::string> m_launchAtLoginError;
    bool m_isCheckingForUpdate = false;
};

} // namespace lumra
