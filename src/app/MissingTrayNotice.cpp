#include "app/MissingTrayNotice.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Sleep.h"

namespace lumra {

const char* const MissingTrayNotice::standardErrorLine =
    "Lumra: no system tray is running (neither an XEmbed tray nor a StatusNotifierItem host), "
    "so Lumra's icon cannot be shown. Add a system tray (notification area) to your panel; on "
    "GNOME, enable the AppIndicator and KStatusNotifierItem Support extension. Lumra keeps "
    "running and its icon appears once a tray starts.";
const char* const MissingTrayNotice::notificationTitle = "No System Tray for Lumra";
const char* const MissingTrayNotice::notificationBody =
    "Lumra's icon needs a system tray. Add one (a notification area) to your panel; on GNOME, "
    "enable the AppIndicator and KStatusNotifierItem Support extension. The icon appears once a "
    "tray starts.";

UserNotificationRequest MissingTrayNotice::notificationRequest() {
    return UserNotificationRequest{.identifier = notificationIdentifier,
                                   .title = notificationTitle,
                                   .body = notificationBody,
                                   .playsDefaultSound = false,
                                   .userInfo = {{"type", "missing-tray"}}};
}

Task<void> MissingTrayNotice::run(std::function<bool()> isTrayThere,
                                  std::shared_ptr<UserNotificationCentering> center,
                                  std::function<void(const std::string&)> writeLine) {
    TaskSleeper sleeper;
    co_await sleeper.sleepSeconds(graceSeconds);
    if (isTrayThere())
        co_return;
    writeLine(standardErrorLine);
    if (!center)
        co_return;
    try {
        const auto status = co_await center->authorizationStatus();
        if (status != NotificationAuthorizationStatus::authorized)
            co_return;
        co_await center->add(notificationRequest());
    } catch (...) {
        LUMRA_LOG_CAUGHT("tray", "the missing tray's notification was not posted");
    }
}

} // namespace lumra
