// User notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus), over sd-bus on the
// I/O thread. The application is authorized while the service answers; with
// no bus or no service it is denied and nothing fails. A notification's user
// info stays in this process, keyed by the id the service gave it; a click
// (the "default" action) is honoured only for an id this process posted,
// only when the signal comes from the connection that gave that id, and only
// once. The body is escaped when the service reads markup in it.
// Called on the main actor; the response handler runs there too.
#pragma once

#include "platform/bus/BusAddress.h"
#include "platform/notifications/UserNotificationCentering.h"

#include <chrono>
#include <memory>
#include <string>

namespace lumra {

class FreedesktopNotificationCenter final : public UserNotificationCentering {
public:
    static constexpr std::chrono::milliseconds defaultCallTimeout{5000};

    // Needs a running runtime. Tests pass a private bus's address and a
    // shorter wait for each call's answer.
    explicit FreedesktopNotificationCenter(
        BusAddress address = BusAddress::session(), std::string applicationName = "Lumra",
        std::chrono::milliseconds callTimeout = defaultCallTimeout);
    ~FreedesktopNotificationCenter() override;
    FreedesktopNotificationCenter(const FreedesktopNotificationCenter&) = delete;
    FreedesktopNotificationCenter& operator=(const FreedesktopNotificationCenter&) = delete;

    // Never notDetermined: the service decides nothing per application.
    Task<NotificationAuthorizationStatus> authorizationStatus() override;
    // True when the service answers; never asks the user anything.
    Task<bool> requestAuthorization(NotificationAuthorizationOptions options) override;
    Task<void> add(UserNotificationRequest request) override;
    void setResponseHandler(std::function<void(const NotificationUserInfo&)> handler) override;

    // The body as sent to a service that reads markup in it.
    static std::string escapedMarkup(const std::string& text);
    // What a notification server is sent of a title and a body: a server
    // shows a few lines, and text from outside may be of any length.
    static constexpr std::size_t maxTitleBytes = 256;
    static constexpr std::size_t maxBodyBytes = 1024;
    // text, or its longest start within maxBytes (whole characters) and "…".
    static std::string boundedText(const std::string& text, std::size_t maxBytes);

private:
    struct Responses;
    struct BusSide;

    std::shared_ptr<Responses> m_responses;
    std::shared_ptr<BusSide> m_bus;
};

} // namespace lumra
