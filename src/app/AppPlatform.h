// Everything the composition root takes from the platform: the process and
// bundle, the defaults store, and a factory or instance for each platform
// service. The application builds the real set (SystemAppPlatform); tests
// hand in fakes and keep the real monitors.
#pragma once

#include "app/StatusItemHosting.h"
#include "monitoring/observers/NetworkChangeObserving.h"
#include "monitoring/observers/SleepWakeObserving.h"
#include "platform/bundle/Bundle.h"
#include "platform/bundle/ProcessInformation.h"
#include "platform/defaults/DefaultsStore.h"
#include "platform/desktop/URLOpening.h"
#include "platform/http/HttpClient.h"
#include "platform/notifications/UserNotificationCentering.h"
#include "probes/metadata/WiFiNetworkMetadataResolving.h"
#include "probes/runner/CommandRunning.h"
#include "shell/location/LocationAuthorizing.h"
#include "shell/services/PlatformServices.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace lumra {

struct AppPlatform {
    ProcessInformation process{{}};
    std::shared_ptr<const Bundle> bundle;
    std::shared_ptr<DefaultsStore> userDefaults;
    // A new runner allowed to launch exactly the given tools.
    std::function<std::shared_ptr<CommandRunning>(std::set<std::string> allowedExecutables)>
        makeCommandRunner;
    std::function<std::optional<std::string>()> wifiInterfaceNameProvider;
    PlatformServices services;
    std::shared_ptr<HttpClient> httpSession;
    std::function<std::shared_ptr<NetworkChangeObserving>()> makeNetworkChangeObserver;
    std::function<std::shared_ptr<SleepWakeObserving>()> makeSleepWakeObserver;
    std::function<std::shared_ptr<LocationAuthorizing>()> makeLocationAuthorizer;
    std::shared_ptr<URLOpening> urlOpener;
    std::shared_ptr<UserNotificationCentering> notificationCenter;
    StatusBar statusBar;
    // Asks the application to terminate; the shutdown sequence follows.
    std::function<void()> terminate;
    // Writes a line for the person who started the application (standard
    // error), whatever the diagnostic log says.
    std::function<void(const std::string&)> writeStandardError;
};

} // namespace lumra
