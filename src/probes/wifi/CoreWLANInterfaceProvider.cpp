#include "probes/wifi/CoreWLANInterfaceProvider.h"

#include "base/DiagnosticLog.h"
#include "platform/wireless/TransmitRate.h"
#include "platform/wireless/WirelessError.h"

namespace lumra {

CoreWLANInterfaceProvider::CoreWLANInterfaceProvider(std::shared_ptr<WirelessClient> client)
    : m_client(std::move(client)) {}

std::optional<WiFiInterfaceSnapshot> CoreWLANInterfaceProvider::currentSnapshot() {
    std::optional<WirelessLinkReading> reading;
    try {
        reading = m_client->currentReading();
    } catch (const WirelessError&) {
        // A kernel that cannot be asked has no interface to show.
        LUMRA_LOG_CAUGHT("wireless", "the link could not be read");
        return std::nullopt;
    }
    if (!reading) {
        return std::nullopt;
    }
    return makeInterfaceSnapshot(*reading);
}

WiFiInterfaceSnapshot makeInterfaceSnapshot(const WirelessLinkReading& reading) {
    auto linkRate = roundHalfAwayFromZero(reading.transmitRateMbps);
    if (linkRate && *linkRate < 1) {
        linkRate.reset();
    }
    WiFiInterfaceSnapshot snapshot{
        .interfaceName =
            reading.interface.name.empty() ? std::string("en0") : reading.interface.name,
        .ssid = reading.ssid,
        .bssid = reading.bssid,
        .rssiDbm = reading.signalDbm,
        .noiseFloorDbm = reading.noiseDbm,
        .linkRateMbps = linkRate,
        .channelNumber = std::nullopt,
        .band = std::nullopt,
    };
    if (reading.channel) {
        snapshot.channelNumber = reading.channel->number;
        snapshot.band = reading.channel->band;
    }
    return snapshot;
}

} // namespace lumra
