#include "shell/update/AppUpdateController.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Sleep.h"
#include "model/UnicodeText.h"

#include <algorithm>
#include <cctype>
#include <fmt/format.h>

namespace lumra {

namespace {

// A cancelled wait only ends the wait; the loop looks at cancellation next.
Task<void> waitIgnoringCancellation(double seconds) {
    TaskSleeper sleeper;
    try {
        co_await sleeper.sleepSeconds(seconds);
    } catch (const CancellationError&) {
    }
}

bool isWebScheme(const std::string& scheme) {
    std::string lower = scheme;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "http" || lower == "https";
}

} // namespace

std::shared_ptr<AppUpdateController>
AppUpdateController::create(std::shared_ptr<AppUpdateService> updateService, double checkInterval,
                            std::shared_ptr<UserNotificationCentering> notificationCenter,
                            std::shared_ptr<URLOpening> urlOpener) {
    return std::shared_ptr<AppUpdateController>(
        new AppUpdateController(std::move(updateService), checkInterval,
                                std::move(notificationCenter), std::move(urlOpener)));
}

AppUpdateController::AppUpdateController(
    std::shared_ptr<AppUpdateService> updateService, double checkInterval,
    std::shared_ptr<UserNotificationCentering> notificationCenter,
    std::shared_ptr<URLOpening> urlOpener)
    : m_updateService(std::move(updateService)), m_checkInterval(checkInterval),
      m_notificationCenter(std::move(notificationCenter)), m_urlOpener(std::move(urlOpener)) {}

AppUpdateController::~AppUpdateController() {
    if (m_checkTask)
        m_checkTask->cancel();
}

void AppUpdateController::startPeriodicChecks() {
    if (m_checkTask)
        m_checkTask->cancel();
    std::weak_ptr<AppUpdateController> weak = weak_from_this();
    m_checkTask = spawn(mainActor(), [weak, service = m_updateService,
                                      center = m_notificationCenter, interval = m_checkInterval] {
        return runPeriodicChecks(weak, service, center, interval);
    });
}

Task<void> AppUpdateController::runPeriodicChecks(std::weak_ptr<AppUpdateController> weakSelf,
                                                  std::shared_ptr<AppUpdateService> service,
                                                  std::shared_ptr<UserNotificationCentering> center,
                                                  double interval) {
    if (weakSelf.expired())
        co_return;
    co_await waitIgnoringCancellation(firstCheckDelaySeconds);
    for (;;) {
        if (isCancelled() || weakSelf.expired())
            co_return;
        const UpdateCheckResult result = co_await service->checkForUpdate();
        std::optional<AvailableUpdate> toNotify;
        if (auto self = weakSelf.lock())
            toNotify = self->apply(result, Notify::whenNewBuild);
        else
            co_return;
        if (toNotify)
            co_await postUpdateNotification(center, std::move(*toNotify));
        if (isCancelled())
            co_return;
        co_await waitIgnoringCancellation(interval);
    }
}

Task<void> AppUpdateController::checkForUpdatesNow() {
    return checkNow(weak_from_this(), m_updateService);
}

Task<void> AppUpdateController::checkNow(std::weak_ptr<AppUpdateController> weakSelf,
                                         std::shared_ptr<AppUpdateService> service) {
    const UpdateCheckResult result = co_await service->checkForUpdate();
    if (auto self = weakSelf.lock())
        self->apply(result, Notify::never);
}

std::optional<AvailableUpdate> AppUpdateController::apply(const UpdateCheckResult& result,
                                                          Notify notify) {
    switch (result.kind) {
    case UpdateCheckResult::Case::upToDate:
        m_availableUpdate.set(std::nullopt);
        return std::nullopt;
    case UpdateCheckResult::Case::checkFailed:
        return std::nullopt;
    case UpdateCheckResult::Case::updateAvailable:
        break;
    }
    const AvailableUpdate& update = *result.update;
    const std::optional<AvailableUpdate> previous = m_availableUpdate.get();
    m_availableUpdate.set(update);
    if (notify == Notify::never || (previous && previous->buildNumber == update.buildNumber))
        return std::nullopt;
    return update;
}

Task<void>
AppUpdateController::postUpdateNotification(std::shared_ptr<UserNotificationCentering> center,
                                            AvailableUpdate update) {
    try {
        auto status = co_await center->authorizationStatus();
        if (status == NotificationAuthorizationStatus::notDetermined) {
            const auto options = NotificationAuthorizationOptions{.alert = true, .sound = true};
            co_await center->requestAuthorization(options);
            status = co_await center->authorizationStatus();
        }
        if (status != NotificationAuthorizationStatus::authorized)
            co_return;
    } catch (...) {
        LUMRA_LOG_CAUGHT("update", "asking to notify failed");
        co_return;
    }
    try {
        co_await center->add(notificationRequest(update));
    } catch (...) {
        // Not posted; the update is still published.
        LUMRA_LOG_CAUGHT("update", "the update notification was not posted");
    }
}

UserNotificationRequest AppUpdateController::notificationRequest(const AvailableUpdate& update) {
    // The server's text, shown by the notification server as it is.
    const std::string version = withoutControlCharacters(update.version, LineBreaks::drop);
    return UserNotificationRequest{
        .identifier = fmt::format("app-update-{}", update.buildNumber),
        .title = "Update Available",
        .body = "Lumra " + version + " is now available. Click to download.",
        .playsDefaultSound = true,
        .userInfo = {{"type", "app-update"},
                     {"version", update.version},
                     {"downloadURL", update.downloadUrl}},
    };
}

void AppUpdateController::openDownloadPage(std::optional<std::string> text) {
    if (!text) {
        const auto& update = m_availableUpdate.get();
        if (!update)
            return;
        text = update->downloadUrl;
    }
    const std::string trimmed = trimmedWhitespaceAndNewlines(*text);
    if (trimmed.empty())
        return;
    const auto url = Url::parse(trimmed);
    if (!url || !url->scheme() || !isWebScheme(*url->scheme()))
        return;
    m_urlOpener->open(*url);
}

} // namespace lumra
