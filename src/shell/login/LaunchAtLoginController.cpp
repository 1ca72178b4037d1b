#include "shell/login/LaunchAtLoginController.h"

#include "concurrency/Spawn.h"

namespace lumra {

std::shared_ptr<LaunchAtLoginController>
LaunchAtLoginController::create(std::shared_ptr<ApplicationActivationNotifying> notificationCenter,
                                std::shared_ptr<LoginItemRegistering> loginItem,
                                std::shared_ptr<URLOpening> urlOpener) {
    std::shared_ptr<LaunchAtLoginController> controller(new LaunchAtLoginController(
        std::move(notificationCenter), std::move(loginItem), std::move(urlOpener)));
    std::weak_ptr<LaunchAtLoginController> weak = controller;
    controller->m_appDidBecomeActiveObserver =
        controller->m_notificationCenter->addDidBecomeActiveObserver(
            [weak] { spawn(mainActor(), [weak] { return refreshIfAlive(weak); }); });
    controller->refreshStatus();
    return controller;
}

LaunchAtLoginController::LaunchAtLoginController(
    std::shared_ptr<ApplicationActivationNotifying> notificationCenter,
    std::shared_ptr<LoginItemRegistering> loginItem, std::shared_ptr<URLOpening> urlOpener)
    : m_notificationCenter(std::move(notificationCenter)), m_loginItem(std::move(loginItem)),
      m_urlOpener(std::move(urlOpener)) {}

LaunchAtLoginController::~LaunchAtLoginController() {
    if (m_appDidBecomeActiveObserver)
        m_notificationCenter->removeObserver(*m_appDidBecomeActiveObserver);
}

Task<void>
LaunchAtLoginController::refreshIfAlive(std::weak_ptr<LaunchAtLoginController> weakSelf) {
    if (auto self = weakSelf.lock())
        self->refreshStatus();
    co_return;
}

void LaunchAtLoginController::refreshStatus() {
    const LoginItemStatus status = m_loginItem->status();
    m_isEnabled.set(status == LoginItemStatus::enabled);
    m_requiresApproval.set(status == LoginItemStatus::requiresApproval);
}

LaunchAtLoginResult LaunchAtLoginController::setEnabled(bool value) {
    refreshStatus();
    if (m_isEnabled.get() == value)
        return LaunchAtLoginResult::success();
    try {
        if (value)
            m_loginItem->registerLoginItem();
        else
            m_loginItem->unregisterLoginItem();
    } catch (const LoginItemError& error) {
        refreshStatus();
        return LaunchAtLoginResult::failure(LaunchAtLoginError::registrationFailed(error));
    }
    refreshStatus();
    return LaunchAtLoginResult::success();
}

void LaunchAtLoginController::openLoginItemsSettings() {
    if (const auto url = Url::parse(loginItemsSettingsURL))
        m_urlOpener->open(*url);
}

} // namespace lumra
