#include "settings/viewmodel/SettingsModel.h"

#include "base/DiagnosticLog.h"
#include "concurrency/MainActor.h"
#include "concurrency/Runtime.h"
#include "concurrency/Spawn.h"
#include "settings/viewmodel/SettingsTexts.h"

namespace lumra {

std::shared_ptr<SettingsModel> SettingsModel::create(std::function<void()> onChange) {
    return std::shared_ptr<SettingsModel>(new SettingsModel(std::move(onChange)));
}

void SettingsModel::changed() const {
    if (m_onChange) {
        m_onChange();
    }
}

void SettingsModel::selectTab(SettingsTab tab) {
    m_selectedTab = tab;
    changed();
}

void SettingsModel::setLaunchAtLogin(LaunchAtLoginController& controller, bool enabled) {
    const LaunchAtLoginResult result = controller.setEnabled(enabled);
    if (result.isSuccess()) {
        m_launchAtLoginError.reset();
    } else {
        m_launchAtLoginError = result.error()->localizedDescription();
    }
    changed();
}

void SettingsModel::dismissLaunchAtLoginError() {
    m_launchAtLoginError.reset();
    changed();
}

std::string_view SettingsModel::checkButtonTitle() const {
    return m_isCheckingForUpdate ? std::string_view{} : SettingsText::checkForUpdates;
}

void SettingsModel::checkForUpdates(const std::shared_ptr<AppUpdateController>& controller) {
    if (m_isCheckingForUpdate || !controller) {
        return;
    }
    m_isCheckingForUpdate = true;
    changed();
    static_cast<void>(spawn(mainActor(), [controller, weakState = weak_from_this()] {
        return runCheck(controller, weakState);
    }));
}

Task<void> SettingsModel::runCheck(std::shared_ptr<AppUpdateController> controller,
                                   std::weak_ptr<SettingsModel> weakState) {
    try {
        co_await controller->checkForUpdatesNow();
    } catch (...) {
        // A cancelled or failed check shows nothing new; the button returns.
        LUMRA_LOG_CAUGHT("update", "the check asked for in Settings failed");
    }
    if (auto state = weakState.lock()) {
        state->m_isCheckingForUpdate = false;
        state->changed();
    }
}

} // namespace lumra
