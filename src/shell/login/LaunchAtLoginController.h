// Whether the application starts at login, over the platform's login-item
// service: two published flags, refreshed at construction, on every call and
// whenever the application becomes active again (the user may have changed
// the item in the system's settings), and the switch itself. Each view that
// shows the switch owns one. Main actor.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Task.h"
#include "platform/desktop/ApplicationActivationNotifying.h"
#include "platform/desktop/URLOpening.h"
#include "platform/login/LoginItemRegistering.h"
#include "shell/login/LaunchAtLoginError.h"

#include <memory>
#include <optional>

namespace lumra {

class LaunchAtLoginController final : public ObservableObject,
                                      public std::enable_shared_from_this<LaunchAtLoginController> {
public:
    static constexpr const char* loginItemsSettingsURL =
        "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";

    // Registers for activation, then refreshes once.
    static std::shared_ptr<LaunchAtLoginController>
    create(std::shared_ptr<ApplicationActivationNotifying> notificationCenter,
           std::shared_ptr<LoginItemRegistering> loginItem, std::shared_ptr<URLOpening> urlOpener);
    // Removes the activation observer.
    ~LaunchAtLoginController() override;

    const Published<bool>& isEnabled() const { return m_isEnabled; }
    const Published<bool>& requiresApproval() const { return m_requiresApproval; }

    void refreshStatus();
    LaunchAtLoginResult setEnabled(bool value);
    void openLoginItemsSettings();

private:
    LaunchAtLoginController(std::shared_ptr<ApplicationActivationNotifying> notificationCenter,
                            std::shared_ptr<LoginItemRegistering> loginItem,
                            std::shared_ptr<URLOpening> urlOpener);

    static Task<void> refreshIfAlive(std::weak_ptr<LaunchAtLoginController> weakSelf);

    Published<bool> m_isEnabled{false, this};
    Published<bool> m_requiresApproval{false, this};
    const std::shared_ptr<ApplicationActivationNotifying> m_notificationCenter;
    std::optional<ApplicationActivationNotifying::ObserverToken> m_appDidBecomeActiveObserver;
    const std::shared_ptr<LoginItemRegistering> m_loginItem;
    const std::shared_ptr<URLOpening> m_urlOpener;
};

} // namespace lumra
