#include "app/SystemAppPlatform.h"

#include "app/QtStatusItem.h"
#include "concurrency/Runtime.h"
#include "monitoring/observers/NWPathNetworkChangeObserver.h"
#include "monitoring/observers/WorkspaceSleepWakeObserver.h"
#include "platform/http/CurlHttpClient.h"
#include "platform/network/RtnetlinkPathSource.h"
#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "platform/power/LogindSleepSource.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/wifi/CurrentWiFiInterfaceName.h"
#include "qt/QtApplicationActivationNotifier.h"
#include "qt/QtURLOpener.h"
#include "shell/location/CoreLocationAuthorizer.h"

#include <cstdio>
#include <filesystem>

namespace lumra {

namespace {

std::filesystem::path executablePath(const Bundle& bundle) {
    return bundle.executablePath().value_or(std::filesystem::path("/proc/self/exe"));
}

} // namespace

AppPlatform makeSystemAppPlatform(std::function<void()> terminate) {
    AppPlatform platform;
    platform.process = ProcessInformation::current();
    platform.bundle = std::make_shared<Bundle>(Bundle::main());
    platform.userDefaults = DefaultsStore::shared();
    // Every built program sits in one directory: the stand-in for the
    // system tools is beside the application.
    const std::string systool =
        (executablePath(*platform.bundle).parent_path() / "lumra-systool").string();
    platform.makeCommandRunner =
        [systool](std::set<std::string> allowed) -> std::shared_ptr<CommandRunning> {
        return std::make_shared<ShellCommandRunner>(std::move(allowed),
                                                    makeStandInExecutables(systool));
    };
    platform.wifiInterfaceNameProvider = [wireless = std::make_shared<Nl80211Client>()] {
        return currentWiFiInterfaceName(*wireless);
    };
    auto urlOpener = std::make_shared<QtURLOpener>();
    auto activation = std::shared_ptr<QtApplicationActivationNotifier>(
        new QtApplicationActivationNotifier(),
        [](QtApplicationActivationNotifier* notifier) { notifier->deleteLater(); });
    platform.services = makeSystemPlatformServices(activation, urlOpener, platform.process,
                                                   executablePath(*platform.bundle));
    platform.httpSession = std::make_shared<CurlHttpClient>();
    platform.makeNetworkChangeObserver = []() -> std::shared_ptr<NetworkChangeObserving> {
        return std::make_shared<NWPathNetworkChangeObserver>(
            mainActor(), std::make_shared<RtnetlinkPathSource>());
    };
    platform.makeSleepWakeObserver = []() -> std::shared_ptr<SleepWakeObserving> {
        return std::make_shared<WorkspaceSleepWakeObserver>(std::make_shared<LogindSleepSource>());
    };
    platform.makeLocationAuthorizer = []() -> std::shared_ptr<LocationAuthorizing> {
        return CoreLocationAuthorizer::create();
    };
    platform.urlOpener = urlOpener;
    platform.notificationCenter = std::make_shared<FreedesktopNotificationCenter>();
    platform.statusBar = [] {
        return std::make_unique<QtStatusItem>();
    };
    platform.terminate = std::move(terminate);
    platform.writeStandardError = [](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    };
    return platform;
}

} // namespace lumra
