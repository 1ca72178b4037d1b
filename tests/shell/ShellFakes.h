// Fakes of the platform services the shell's controllers take.
#pragma once

#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "platform/desktop/ApplicationActivationNotifying.h"
#include "platform/desktop/URLOpening.h"
#include "platform/http/HttpClient.h"
#include "platform/notifications/UserNotificationCentering.h"
#include "shell/update/AppUpdateController.h"
#include "shell/update/AppUpdateService.h"
#include "shell/update/AvailableUpdate.h"

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace lumra::test {

// Records every address; never hands one to a real desktop.
class RecordingURLOpener final : public URLOpening {
public:
    std::vector<std::string> opened;
    bool answer = true;

    bool open(const Url& url) override {
        opened.push_back(url.absoluteString());
        return answer;
    }
};

// Answers every request with the next scripted answer (the last one
// repeats) after `latency` on the runtime's clock, recording when each
// request began and ended there.
class ScriptedHttpClient final : public HttpClient {
public:
    struct Answer {
        int status = 200;
        std::string body;
    };

    std::deque<Answer> answers;
    std::chrono::nanoseconds latency{0};
    std::vector<double> started;
    std::vector<double> ended;
    std::vector<HttpRequest> requests;

    void answerWith(Answer answer) { answers.push_back(std::move(answer)); }

    Task<HttpResponse> send(HttpRequest request) override {
        started.push_back(runtimeClock().uptimeSeconds());
        requests.push_back(request);
        const Answer answer = answers.empty() ? Answer{500, ""} : answers.front();
        if (answers.size() > 1)
            answers.pop_front();
        if (latency.count() > 0)
            co_await sleepFor(latency);
        ended.push_back(runtimeClock().uptimeSeconds());
        co_return HttpResponse{answer.status,
                               {},
                               std::vector<std::uint8_t>(answer.body.begin(), answer.body.end()),
                               request.url};
    }
};

inline ScriptedHttpClient::Answer updateAnswer(std::int64_t buildNumber,
                                               std::string downloadUrl = "",
                                               std::string version = "2.1.0") {
    return {200, AvailableUpdate{std::move(version), buildNumber, "2026-12-10",
                                 std::move(downloadUrl), std::nullopt, std::nullopt}
                     .encode()};
}

// A notification centre that records what it is asked; statuses come from
// a script (the last repeats).
class RecordingNotificationCenter final : public UserNotificationCentering {
public:
    std::deque<NotificationAuthorizationStatus> statuses{
        NotificationAuthorizationStatus::authorized};
    bool requestFails = false;
    bool addFails = false;
    int statusReads = 0;
    std::vector<NotificationAuthorizationOptions> authorizationRequests;
    std::vector<UserNotificationRequest> added;
    std::function<void(const NotificationUserInfo&)> responseHandler;

    Task<NotificationAuthorizationStatus> authorizationStatus() override {
        ++statusReads;
        const auto status = statuses.front();
        if (statuses.size() > 1)
            statuses.pop_front();
        co_return status;
    }
    Task<bool> requestAuthorization(NotificationAuthorizationOptions options) override {
        authorizationRequests.push_back(options);
        if (requestFails)
            throw NotificationCenterError("refused to ask");
        co_return true;
    }
    Task<void> add(UserNotificationRequest request) override {
        added.push_back(request);
        if (addFails)
            throw NotificationCenterError("not posted");
        co_return;
    }
    void setResponseHandler(std::function<void(const NotificationUserInfo&)> handler) override {
        responseHandler = std::move(handler);
    }
};

// Activation on command; keeps removed blocks so a test can still run them.
class ManualActivationNotifier final : public ApplicationActivationNotifying {
public:
    std::map<ObserverToken, std::function<void()>> observers;
    std::vector<std::function<void()>> removed;
    ObserverToken next = 1;

    ObserverToken addDidBecomeActiveObserver(std::function<void()> block) override {
        observers.emplace(next, std::move(block));
        return next++;
    }
    void removeObserver(ObserverToken token) override {
        auto found = observers.find(token);
        if (found == observers.end())
            return;
        removed.push_back(found->second);
        observers.erase(found);
    }
    void activate() {
        auto current = observers;
        for (auto& [token, block] : current)
            block();
    }
};

// An update controller over a scripted service at test addresses, checking
// once a day, that records its notifications.
inline std::shared_ptr<AppUpdateController>
makeTestUpdateController(std::shared_ptr<HttpClient> http, std::shared_ptr<URLOpening> opener) {
    return AppUpdateController::create(
        std::make_shared<AppUpdateService>(*Url::parse("https://updates.example.test/v1/update"),
                                           Url::parse("https://downloads.example.test/releases"),
                                           120, std::move(http)),
        86400.0, std::make_shared<RecordingNotificationCenter>(), std::move(opener));
}

} // namespace lumra::test
