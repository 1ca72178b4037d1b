// The factories of platform-backed objects that views make for themselves:
// the radar window's Wi-Fi reader and network scanner, and the launch-at-
// login controller each settings view owns. The composition root builds the
// bundle; tests hand views one that makes fakes.
#pragma once

#include "platform/bundle/ProcessInformation.h"
#include "platform/desktop/ApplicationActivationNotifying.h"
#include "platform/desktop/URLOpening.h"
#include "probes/wifi/WiFiInterfaceProviding.h"
#include "probes/wifi/WiFiNetworkScanning.h"
#include "shell/login/LaunchAtLoginController.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace lumra {

struct PlatformServices {
    std::function<std::shared_ptr<WiFiInterfaceProviding>()> makeInterfaceProvider;
    std::function<std::shared_ptr<WiFiNetworkScanning>()> makeNetworkScanner;
    std::function<std::shared_ptr<LaunchAtLoginController>()> makeLaunchAtLoginController;
};

// The real ones: nl80211 for the reader and the scanner; the XDG autostart
// entry of this user (from process) starting executable, with the desktop's
// activation notifications and URL opener for the controller.
PlatformServices
makeSystemPlatformServices(std::shared_ptr<ApplicationActivationNotifying> activation,
                           std::shared_ptr<URLOpening> urlOpener, const ProcessInformation& process,
                           std::filesystem::path executable);

} // namespace lumra
