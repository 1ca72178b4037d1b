#include "shell/services/PlatformServices.h"

#include "platform/login/XdgAutostartLoginItem.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"

namespace lumra {

PlatformServices
makeSystemPlatformServices(std::shared_ptr<ApplicationActivationNotifying> activation,
                           std::shared_ptr<URLOpening> urlOpener, const ProcessInformation& process,
                           std::filesystem::path executable) {
    PlatformServices services;
    // One client serves every reader and scanner: it opens a socket per call.
    std::shared_ptr<WirelessClient> wireless = std::make_shared<Nl80211Client>();
    services.makeInterfaceProvider = [wireless] {
        return std::make_shared<CoreWLANInterfaceProvider>(wireless);
    };
    services.makeNetworkScanner = [wireless] {
        return std::make_shared<CoreWLANNetworkScanner>(wireless);
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
