// When no tray is there to show the status item a few seconds after start
// (no XEmbed tray, no StatusNotifierItem host: GNOME Shell without its
// AppIndicator extension), the person is told once, whatever the diagnostic
// log says: one line on standard error and, when a notification server is
// there, one notification, naming what is missing and what to do. The item
// stays installed: it appears once a tray starts. Main actor.
#pragma once

#include "concurrency/Task.h"
#include "platform/notifications/UserNotificationCentering.h"

#include <functional>
#include <memory>
#include <string>

namespace lumra {

struct MissingTrayNotice {
    static constexpr double graceSeconds = 5.0;
    static const char* const standardErrorLine;
    static const char* const notificationTitle;
    static const char* const notificationBody;
    static constexpr const char* notificationIdentifier = "missing-tray";

    static UserNotificationRequest notificationRequest();

    // Waits graceSeconds on the runtime's clock; then, unless isTrayThere()
    // holds, writes the line through writeLine and posts the notification.
    // Cancelled during the wait, it says nothing.
    static Task<void> run(std::function<bool()> isTrayThere,
                          std::shared_ptr<UserNotificationCentering> center,
                          std::function<void(const std::string&)> writeLine);
};

} // namespace lumra
