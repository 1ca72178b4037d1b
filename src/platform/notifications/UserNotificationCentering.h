// The user-notification centre: whether the application may post, asking
// for that, posting a notification, and hearing which one the user clicked.
// Called from main-actor tasks; the response handler runs on the main actor.
#pragma once

#include "concurrency/Task.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace lumra {

enum class NotificationAuthorizationStatus {
    notDetermined,
    denied,
    authorized,
    provisional,
    ephemeral
};

struct NotificationAuthorizationOptions {
    bool alert = false;
    bool sound = false;

    bool operator==(const NotificationAuthorizationOptions&) const = default;
};

using NotificationUserInfo = std::map<std::string, std::string>;

struct UserNotificationRequest {
    // Posting again with the same identifier replaces the earlier notification.
    std::string identifier;
    std::string title;
    std::string body;
    bool playsDefaultSound = false;
    // Kept in the process and handed back when the user clicks.
    NotificationUserInfo userInfo;

    bool operator==(const UserNotificationRequest&) const = default;
};

class NotificationCenterError final : public std::runtime_error {
public:
    explicit NotificationCenterError(const std::string& message) : std::runtime_error(message) {}
};

class UserNotificationCentering {
public:
    virtual ~UserNotificationCentering() = default;

    virtual Task<NotificationAuthorizationStatus> authorizationStatus() = 0;
    // Whether the user granted it; throws NotificationCenterError when the
    // request could not be made.
    virtual Task<bool> requestAuthorization(NotificationAuthorizationOptions options) = 0;
    // Throws NotificationCenterError when the notification was not posted.
    virtual Task<void> add(UserNotificationRequest request) = 0;
    // Called with the user info of a notification of this process that the
    // user clicked.
    virtual void setResponseHandler(std::function<void(const NotificationUserInfo&)> handler) = 0;
};

} // namespace lumra
