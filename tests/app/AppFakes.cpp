#include "tests/app/AppFakes.h"

#include "platform/login/XdgAutostartLoginItem.h"

namespace lumra::test {

AppPlatform FakeAppPlatform::make(std::shared_ptr<DefaultsStore> defaults,
                                  ProcessInformation::Environment environment) {
    AppPlatform platform;
    platform.process = ProcessInformation(std::move(environment));
    platform.bundle = std::make_shared<Bundle>(
        Bundle::InfoDictionary{{"CFBundleShortVersionString", "1.4.0"}, {"CFBundleVersion", "7"}},
        std::nullopt, "/tmp");
    platform.userDefaults = std::move(defaults);
    platform.makeCommandRunner =
        [this](std::set<std::string> allowed) -> std::shared_ptr<CommandRunning> {
        runners.push_back(std::make_shared<RefusingRunner>(std::move(allowed)));
        return runners.back();
    };
    platform.wifiInterfaceNameProvider = [] {
        return std::optional<std::string>("wlan0");
    };
    platform.services.makeInterfaceProvider = [this] {
        return interface;
    };
    platform.services.makeNetworkScanner = [] {
        return std::make_shared<NoNetworksScanner>();
    };
    platform.services.makeLaunchAtLoginController =
        [this, config = platform.userDefaults->filePath().parent_path()] {
            return LaunchAtLoginController::create(
                activation,
                std::make_shared<XdgAutostartLoginItem>(config / "autostart" / "lumra.desktop",
                                                        "/usr/bin/lumra"),
                urlOpener);
        };
    platform.httpSession = http;
    platform.makeNetworkChangeObserver = [this]() -> std::shared_ptr<NetworkChangeObserving> {
        return networkObserver;
    };
    platform.makeSleepWakeObserver = [this]() -> std::shared_ptr<SleepWakeObserving> {
        return sleepObserver;
    };
    platform.makeLocationAuthorizer = [this]() -> std::shared_ptr<LocationAuthorizing> {
        return authorizer;
    };
    platform.urlOpener = urlOpener;
    platform.notificationCenter = notificationCenter;
    platform.statusBar = [this] {
        auto item = std::make_unique<FakeStatusItem>(log);
        statusItems.push_back(item.get());
        return item;
    };
    platform.terminate = [this] {
        ++terminations;
    };
    platform.writeStandardError = [log = log](const std::string& line) {
        log->push_back("standard error: " + line);
    };
    return platform;
}

} // namespace lumra::test
