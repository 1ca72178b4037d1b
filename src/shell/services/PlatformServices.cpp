#include "shell/services/PlatformServices.h"

#include "platform/login/XdgAutostartLoginItem.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"

namespace lumra {

PlatformServices
makeSystemPlatformServices(std::shared_ptr<ApplicationActivationNotifying> activation,
                           std::shared_ptr<URLOpening> urlOpener, const ProcessInformation& process,
                           std::filesystem::path executable) {
    PlatformServices services;
    services.makeInterfaceProvider = [] {
        return std::make_shared<CoreWLANInterfaceProvider>();
    };
    services.makeNetworkScanner = [] {
        return std::make_shared<CoreWLANNetworkScanner>();
    };
    services.makeLaunchAtLoginController =
        [activation = std::move(activation), urlOpener = std::move(urlOpener),
         entry = XdgAutostartLoginItem::entryFileFor(process), executable = std::move(executable)] {
            return LaunchAtLoginController::create(
                activation, std::make_shared<XdgAutostartLoginItem>(entry, executable), urlOpener);
        };
    return services;
}

} // namespace lumra
