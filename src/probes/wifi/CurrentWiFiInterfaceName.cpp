#include "probes/wifi/CurrentWiFiInterfaceName.h"

#include "base/DiagnosticLog.h"
#include "platform/wireless/WirelessError.h"

namespace lumra {

std::optional<std::string> currentWiFiInterfaceName(WirelessClient& client) {
    try {
        const auto interface = client.defaultInterface();
        if (!interface || interface->name.empty()) {
            return std::nullopt;
        }
        return interface->name;
    } catch (const WirelessError&) {
        LUMRA_LOG_CAUGHT("wireless", "the interface could not be looked up");
        return std::nullopt;
    }
}

} // namespace lumra
