// What the application knows of an available update: a daily check in the
// background (first 5 s after start, then checkInterval after each check
// ended), the newest available build published for the views, a
// notification the first time a build is seen by the daily check, checks on
// the user's request (never notifying) and the download page. The periodic
// task holds the controller weakly and ends when cancelled or when the
// controller goes; the controller's end cancels it. Main actor.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Spawn.h"
#include "platform/desktop/URLOpening.h"
#include "platform/notifications/UserNotificationCentering.h"
#include "shell/update/AppUpdateService.h"

#include <memory>
#include <optional>
#include <string>

namespace lumra {

class AppUpdateController final : public ObservableObject,
                                  public std::enable_shared_from_this<AppUpdateController> {
public:
    static constexpr double firstCheckDelaySeconds = 5.0;

    static std::shared_ptr<AppUpdateController>
    create(std::shared_ptr<AppUpdateService> updateService, double checkInterval,
           std::shared_ptr<UserNotificationCentering> notificationCenter,
           std::shared_ptr<URLOpening> urlOpener);
    // Cancels the periodic task.
    ~AppUpdateController() override;

    const Published<std::optional<AvailableUpdate>>& availableUpdate() const {
        return m_availableUpdate;
    }

    // Cancels a running periodic task and starts the schedule afresh.
    void startPeriodicChecks();
    // One check; updates availableUpdate, never posts a notification.
    Task<void> checkForUpdatesNow();
    // The given address, else the available update's; opened only when it
    // is an http or https address.
    void openDownloadPage(std::optional<std::string> text = std::nullopt);

    // The periodic task, absent until started. Shutdown cancels and clears it.
    std::optional<TaskHandle<void>>& checkTask() { return m_checkTask; }
    const std::optional<TaskHandle<void>>& checkTask() const { return m_checkTask; }

    const std::shared_ptr<AppUpdateService>& updateService() const { return m_updateService; }
    double checkInterval() const { return m_checkInterval; }

    // The notification posted for an update.
    static UserNotificationRequest notificationRequest(const AvailableUpdate& update);

private:
    enum class Notify { whenNewBuild, never };

    AppUpdateController(std::shared_ptr<AppUpdateService> updateService, double checkInterval,
                        std::shared_ptr<UserNotificationCentering> notificationCenter,
                        std::shared_ptr<URLOpening> urlOpener);

    // The update to notify about, if this result calls for a notification.
    std::optional<AvailableUpdate> apply(const UpdateCheckResult& result, Notify notify);

    static Task<void> runPeriodicChecks(std::weak_ptr<AppUpdateController> weakSelf,
                                        std::shared_ptr<AppUpdateService> service,
                                        std::shared_ptr<UserNotificationCentering> center,
                                        double interval);
    static Task<void> checkNow(std::weak_ptr<AppUpdateController> weakSelf,
                               std::shared_ptr<AppUpdateService> service);
    static Task<void> postUpdateNotification(std::shared_ptr<UserNotificationCentering> center,
                                             AvailableUpdate update);

    Published<std::optional<AvailableUpdate>> m_availableUpdate{std::nullopt, this};
    const std::shared_ptr<AppUpdateService> m_updateService;
    const double m_checkInterval;
    std::optional<TaskHandle<void>> m_checkTask;
    const std::shared_ptr<UserNotificationCentering> m_notificationCenter;
    const std::shared_ptr<URLOpening> m_urlOpener;
};

} // namespace lumra
