#include "platform/notifications/FreedesktopNotificationCenter.h"

#include "base/DiagnosticLog.h"
#include "concurrency/CancellableContinuation.h"
#include "concurrency/Runtime.h"
#include "model/UnicodeText.h"
#include "platform/bus/BusConnection.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fmt/format.h>
#include <map>
#include <optional>
#include <set>

namespace lumra {

namespace {

const char* const serviceName = "org.freedesktop.Notifications";
const char* const servicePath = "/org/freedesktop/Notifications";
const char* const serviceInterface = "org.freedesktop.Notifications";
const char* const defaultAction = "default";

// Runs start(done) on the I/O thread and answers what it passes to done,
// unless the awaiting task is cancelled first.
template <class T, class Start> Task<T> answerFromIoThread(Start start) {
    auto begin = [start = std::move(start)](CancellableContinuation<T> continuation) {
        ioThread().post([start, continuation] {
            start([continuation](T answer) { continuation.resume(std::move(answer)); });
        });
    };
    co_return co_await withCancellableContinuation<T>(std::move(begin));
}

// Why a call to the service failed, from its error reply: no answer in time
// (sd-bus's time-out, or the service leaving without one) is told apart from
// an answer that says no.
std::string callFailure(sd_bus_message* reply, std::chrono::milliseconds timeout,
                        const std::string& refusal) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    const std::string detail = error != nullptr && error->message != nullptr ? error->message : "";
    if (sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NO_REPLY) ||
        sd_bus_message_is_method_error(reply, SD_BUS_ERROR_TIMEOUT))
        return fmt::format("the notification service did not answer within {:g} s ({})",
                           std::chrono::duration<double>(timeout).count(), detail);
    const char* name = error != nullptr && error->name != nullptr ? error->name : "";
    return fmt::format("{}: {}", refusal, detail.empty() ? name : detail);
}

} // namespace

struct FreedesktopNotificationCenter::Responses {
    std::function<void(const NotificationUserInfo&)> handler;

    void deliver(const NotificationUserInfo& userInfo) const {
        if (handler)
            handler(userInfo);
    }
};

// Made on the main actor, then touched only on the I/O thread.
struct FreedesktopNotificationCenter::BusSide : std::enable_shared_from_this<BusSide> {
    struct Posted {
        NotificationUserInfo userInfo;
        // The unique name of the connection that gave the id.
        std::string serviceConnection;
    };

    BusAddress address;
    std::string applicationName;
    std::chrono::milliseconds callTimeout{0};
    Executor* mainActor = nullptr;
    std::weak_ptr<Responses> responses;

    std::shared_ptr<BusConnection> connection;
    std::optional<std::set<std::string>> capabilities;
    std::map<std::string, std::uint32_t> idsByIdentifier;
    std::map<std::uint32_t, Posted> posted;

    bool connect() {
        if (connection && connection->isOpen())
            return true;
        connection = BusConnection::open(address);
        if (!connection)
            return false;
        std::weak_ptr<BusSide> weak = weak_from_this();
        auto invoked =
            BusConnection::SignalMatch{serviceName, servicePath, serviceInterface, "ActionInvoked"};
        connection->addSignalMatch(std::move(invoked), [weak](sd_bus_message* message) {
            if (auto self = weak.lock())
                self->actionInvoked(message);
        });
        auto closed = BusConnection::SignalMatch{serviceName, servicePath, serviceInterface,
                                                 "NotificationClosed"};
        connection->addSignalMatch(std::move(closed), [weak](sd_bus_message* message) {
            if (auto self = weak.lock())
                self->notificationClosed(message);
        });
        return true;
    }

    void disconnect() {
        if (connection)
            connection->close();
        connection.reset();
    }

    // done(nullopt) when the service answers, its capabilities then known;
    // else the failure's text.
    void queryService(std::function<void(std::optional<std::string>)> done) {
        if (!connect()) {
            done("no session bus");
            return;
        }
        std::weak_ptr<BusSide> weak = weak_from_this();
        auto call = BusConnection::MethodCall{serviceName,       servicePath, serviceInterface,
                                              "GetCapabilities", {},          callTimeout};
        auto sent = connection->callMethod(std::move(call), [weak, done](sd_bus_message* reply) {
            auto self = weak.lock();
            if (!self) {
                done("the notification center is gone");
                return;
            }
            if (sd_bus_message_is_method_error(reply, nullptr)) {
                const std::string failure =
                    callFailure(reply, self->callTimeout,
                                "the notification service refused to tell its capabilities");
                LUMRA_LOG("notifications", "asking for its capabilities: " + failure);
                done(failure);
                return;
            }
            char** names = nullptr;
            if (sd_bus_message_read_strv(reply, &names) < 0) {
                const std::string failure =
                    "the notification service answered without its capabilities";
                LUMRA_LOG("notifications", failure);
                done(failure);
                return;
            }
            std::set<std::string> found;
            for (char** name = names; name != nullptr && *name != nullptr; ++name) {
                found.insert(*name);
                std::free(*name);
            }
            std::free(names);
            self->capabilities = std::move(found);
            done(std::nullopt);
        });
        if (!sent)
            done("the capabilities query could not be sent");
    }

    // done(nullopt) once the service has shown it, else the failure's text.
    void notify(UserNotificationRequest request,
                std::function<void(std::optional<std::string>)> done) {
        if (capabilities) {
            sendNotify(std::move(request), std::move(done));
            return;
        }
        std::weak_ptr<BusSide> weak = weak_from_this();
        queryService(
            [weak, request = std::move(request), done](std::optional<std::string> failure) mutable {
                auto self = weak.lock();
                if (failure || !self) {
                    done(failure.value_or("the notification center is gone"));
                    return;
                }
                self->sendNotify(std::move(request), std::move(done));
            });
    }

    void sendNotify(UserNotificationRequest request,
                    std::function<void(std::optional<std::string>)> done) {
        if (!connect()) {
            done("no session bus");
            return;
        }
        const auto previous = idsByIdentifier.find(request.identifier);
        const std::uint32_t replacesId = previous != idsByIdentifier.end() ? previous->second : 0;
        const bool markup = capabilities && capabilities->count("body-markup") > 0;
        const std::string bounded = boundedText(request.body, maxBodyBytes);
        const std::string body = markup ? escapedMarkup(bounded) : bounded;
        const int suppressSound = request.playsDefaultSound ? 0 : 1;
        auto writeArguments = [name = applicationName, replacesId,
                               title = boundedText(request.title, maxTitleBytes), body,
                               suppressSound](sd_bus_message* call) {
            int result = sd_bus_message_append(call, "susss", name.c_str(), replacesId, "",
                                               title.c_str(), body.c_str());
            if (result >= 0)
                result = sd_bus_message_append(call, "as", 2, defaultAction, "Open");
            if (result >= 0)
                result =
                    sd_bus_message_append(call, "a{sv}", 1, "suppress-sound", "b", suppressSound);
            if (result >= 0)
                result = sd_bus_message_append(call, "i", -1);
            return result;
        };
        auto call = BusConnection::MethodCall{serviceName, servicePath,    serviceInterface,
                                              "Notify",    writeArguments, callTimeout};
        std::weak_ptr<BusSide> weak = weak_from_this();
        auto sent = connection->callMethod(std::move(call), [weak, identifier = request.identifier,
                                                             userInfo = request.userInfo,
                                                             done](sd_bus_message* reply) {
            auto self = weak.lock();
            std::uint32_t id = 0;
            if (!self) {
                done("the notification center is gone");
                return;
            }
            if (sd_bus_message_is_method_error(reply, nullptr)) {
                done(callFailure(reply, self->callTimeout,
                                 "the notification service refused the notification"));
                return;
            }
            if (sd_bus_message_read(reply, "u", &id) < 0) {
                done("the notification service answered without a notification id");
                return;
            }
            self->remember(identifier, id, userInfo, BusConnection::senderOf(reply));
            done(std::nullopt);
        });
        if (!sent)
            done("the notification could not be sent");
    }

    void remember(const std::string& identifier, std::uint32_t id,
                  const NotificationUserInfo& userInfo, const std::string& serviceConnection) {
        const auto previous = idsByIdentifier.find(identifier);
        if (previous != idsByIdentifier.end() && previous->second != id)
            posted.erase(previous->second);
        idsByIdentifier[identifier] = id;
        posted[id] = Posted{userInfo, serviceConnection};
    }

    // The entry for id when the message comes from the connection that gave it.
    std::map<std::uint32_t, Posted>::iterator postedBySender(std::uint32_t id,
                                                             sd_bus_message* message) {
        const auto found = posted.find(id);
        if (found == posted.end() ||
            found->second.serviceConnection != BusConnection::senderOf(message))
            return posted.end();
        return found;
    }

    void forget(std::map<std::uint32_t, Posted>::iterator entry) {
        const std::uint32_t id = entry->first;
        posted.erase(entry);
        std::erase_if(idsByIdentifier, [id](const auto& item) { return item.second == id; });
    }

    void actionInvoked(sd_bus_message* message) {
        std::uint32_t id = 0;
        const char* action = nullptr;
        if (sd_bus_message_read(message, "us", &id, &action) < 0 || action == nullptr ||
            std::string(action) != defaultAction)
            return;
        const auto entry = postedBySender(id, message);
        if (entry == posted.end())
            return;
        NotificationUserInfo userInfo = entry->second.userInfo;
        forget(entry);
        mainActor->post([responses = responses, userInfo = std::move(userInfo)] {
            if (auto alive = responses.lock())
                alive->deliver(userInfo);
        });
    }

    void notificationClosed(sd_bus_message* message) {
        std::uint32_t id = 0;
        std::uint32_t reason = 0;
        if (sd_bus_message_read(message, "uu", &id, &reason) < 0)
            return;
        const auto entry = postedBySender(id, message);
        if (entry != posted.end())
            forget(entry);
    }
};

FreedesktopNotificationCenter::FreedesktopNotificationCenter(BusAddress address,
                                                             std::string applicationName,
                                                             std::chrono::milliseconds callTimeout)
    : m_responses(std::make_shared<Responses>()), m_bus(std::make_shared<BusSide>()) {
    m_bus->address = std::move(address);
    m_bus->applicationName = std::move(applicationName);
    m_bus->callTimeout = callTimeout;
    m_bus->mainActor = &lumra::mainActor();
    m_bus->responses = m_responses;
}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() {
    // Without a runtime the I/O thread is gone and the connection goes with
    // the last owner, on this thread, with no one else left to use it.
    if (Runtime::currentOrNull() != nullptr)
        ioThread().post([bus = m_bus] { bus->disconnect(); });
}

Task<NotificationAuthorizationStatus> FreedesktopNotificationCenter::authorizationStatus() {
    const auto options = NotificationAuthorizationOptions{};
    const bool answered = co_await requestAuthorization(options);
    co_return answered ? NotificationAuthorizationStatus::authorized
                       : NotificationAuthorizationStatus::denied;
}

Task<bool> FreedesktopNotificationCenter::requestAuthorization(NotificationAuthorizationOptions) {
    auto start = [bus = m_bus](std::function<void(bool)> done) {
        bus->queryService([done](std::optional<std::string> failure) { done(!failure); });
    };
    co_return co_await answerFromIoThread<bool>(std::move(start));
}

Task<void> FreedesktopNotificationCenter::add(UserNotificationRequest request) {
    auto start = [bus = m_bus, request = std::move(request)](
                     std::function<void(std::optional<std::string>)> done) {
        bus->notify(request, done);
    };
    const auto failure = co_await answerFromIoThread<std::optional<std::string>>(std::move(start));
    if (failure)
        throw NotificationCenterError(*failure);
}

void FreedesktopNotificationCenter::setResponseHandler(
    std::function<void(const NotificationUserInfo&)> handler) {
    m_responses->handler = std::move(handler);
}

std::string FreedesktopNotificationCenter::boundedText(const std::string& text,
                                                       std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    return std::string(utf8Prefix(text, maxBytes)) + "\u2026";
}

std::string FreedesktopNotificationCenter::escapedMarkup(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace lumra
