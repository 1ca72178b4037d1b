// Fakes of the platform the composition root takes, with one shared event
// log, so tests see the order in which things happen; the monitors stay
// real.
#pragma once

#include "app/AppPlatform.h"
#include "probes/runner/CommandRunnerError.h"
#include "probes/wifi/WiFiNetworkScanning.h"
#include "tests/shell/ShellFakes.h"
#include "tests/support/FakeProbes.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace lumra::test {

using EventLog = std::shared_ptr<std::vector<std::string>>;

// Every run fails at once, as a tool that cannot start: the monitors record
// failures and nothing is launched.
class RefusingRunner final : public CommandRunning {
public:
    explicit RefusingRunner(std::set<std::string> allowed)
        : allowedExecutables(std::move(allowed)) {}
    Task<CommandExecutionResult> run(CommandRequest request) override {
        ++runs;
        throw CommandRunnerError::launchFailed(request.executable, "fake");
        co_return CommandExecutionResult{};
    }
    std::set<std::string> allowedExecutables;
    int runs = 0;
};

class NoNetworksScanner final : public WiFiNetworkScanning {
public:
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        co_return std::vector<WiFiScannedNetwork>{};
    }
};

class LoggingNetworkObserver final : public NetworkChangeObserving {
public:
    explicit LoggingNetworkObserver(EventLog log) : m_log(std::move(log)) {}
    Callback onNetworkChange() const override { return m_callback; }
    void setOnNetworkChange(Callback callback) override { m_callback = std::move(callback); }
    void startObserving() override { m_log->push_back("network observer started"); }
    void stopObserving() override {
        if (beforeStop)
            beforeStop();
        m_log->push_back("network observer stopped");
    }
    void fire() {
        if (m_callback)
            m_callback();
    }
    // Runs first in stopObserving: a test looks at what happened before.
    std::function<void()> beforeStop;

private:
    EventLog m_log;
    Callback m_callback;
};

class LoggingSleepWakeObserver final : public SleepWakeObserving {
public:
    explicit LoggingSleepWakeObserver(EventLog log) : m_log(std::move(log)) {}
    Callback onWillSleep() const override { return m_willSleep; }
    void setOnWillSleep(Callback callback) override { m_willSleep = std::move(callback); }
    Callback onDidWake() const override { return m_didWake; }
    void setOnDidWake(Callback callback) override { m_didWake = std::move(callback); }
    void startObserving() override { m_log->push_back("sleep observer started"); }
    void stopObserving() override { m_log->push_back("sleep observer stopped"); }

private:
    EventLog m_log;
    Callback m_willSleep;
    Callback m_didWake;
};

class FakeLocationAuthorizer final : public LocationAuthorizing {
public:
    explicit FakeLocationAuthorizer(LocationPermissionStatus initial) : status(initial) {}
    LocationPermissionStatus authorizationStatus() const override { return status; }
    const StatusChangeCallback& onAuthorizationStatusChange() const override { return m_callback; }
    void setOnAuthorizationStatusChange(StatusChangeCallback callback) override {
        m_callback = std::move(callback);
    }
    void requestWhenInUseAuthorization() override { ++requests; }

    LocationPermissionStatus status;
    int requests = 0;

private:
    StatusChangeCallback m_callback;
};

class FakeStatusItem final : public StatusItemHosting {
public:
    explicit FakeStatusItem(EventLog log) : m_log(std::move(log)) {}
    ~FakeStatusItem() override { m_log->push_back("status item removed"); }

    void setActions(StatusItemActions newActions) override { actions = std::move(newActions); }
    void setImage(const QImage& newImage) override {
        image = newImage;
        ++imageSets;
    }
    void setAccessibilityText(const QString& text) override { accessibilityText = text; }
    void setToolTip(const QString& text) override { toolTip = text; }
    QRect geometry() const override { return itemGeometry; }
    bool isItemWidget(const QWidget* widget) const override {
        return widget != nullptr && widget == itemWidget;
    }
    bool isTrayThere() const override { return trayThere; }

    StatusItemActions actions;
    QImage image;
    int imageSets = 0;
    QString accessibilityText;
    QString toolTip;
    QRect itemGeometry{700, 0, 22, 22};
    const QWidget* itemWidget = nullptr;
    bool trayThere = true;

private:
    EventLog m_log;
};

// The fakes behind one AppPlatform, kept reachable for the test.
struct FakeAppPlatform {
    EventLog log = std::make_shared<std::vector<std::string>>();
    std::shared_ptr<FakeInterface> interface = std::make_shared<FakeInterface>();
    std::shared_ptr<LoggingNetworkObserver> networkObserver =
        std::make_shared<LoggingNetworkObserver>(log);
    std::shared_ptr<LoggingSleepWakeObserver> sleepObserver =
        std::make_shared<LoggingSleepWakeObserver>(log);
    std::shared_ptr<FakeLocationAuthorizer> authorizer =
        std::make_shared<FakeLocationAuthorizer>(LocationPermissionStatus::authorized);
    std::shared_ptr<RecordingURLOpener> urlOpener = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<RecordingNotificationCenter> notificationCenter =
        std::make_shared<RecordingNotificationCenter>();
    std::shared_ptr<ScriptedHttpClient> http = std::make_shared<ScriptedHttpClient>();
    std::shared_ptr<ManualActivationNotifier> activation =
        std::make_shared<ManualActivationNotifier>();
    std::vector<std::shared_ptr<RefusingRunner>> runners;
    std::vector<FakeStatusItem*> statusItems;
    int terminations = 0;

    AppPlatform make(std::shared_ptr<DefaultsStore> defaults,
                     ProcessInformation::Environment environment = {});
};

} // namespace lumra::test
