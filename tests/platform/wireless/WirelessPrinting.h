// Readable gtest output for the Wi-Fi records.
#pragma once

#include "platform/wireless/WirelessLinkReading.h"
#include "platform/wireless/WirelessNetwork.h"

#include <fmt/format.h>
#include <optional>
#include <ostream>

namespace lumra {

namespace detail {
template <class T> std::string optionalText(const std::optional<T>& value) {
    return value ? fmt::format("{}", *value) : std::string("none");
}
inline std::string channelText(const std::optional<WirelessChannel>& channel) {
    return channel ? fmt::format("{} MHz ch {} {}", channel->frequencyMhz, channel->number,
                                 rawValue(channel->band))
                   : std::string("none");
}
} // namespace detail

inline void PrintTo(const WirelessChannel& c, std::ostream* out) {
    *out << detail::channelText(c);
}

inline void PrintTo(const WirelessLinkReading& r, std::ostream* out) {
    *out << fmt::format("{{{} #{} ssid={} bssid={} signal={} noise={} rate={} channel={}}}",
                        r.interface.name, r.interface.ifindex, detail::optionalText(r.ssid),
                        detail::optionalText(r.bssid), r.signalDbm, r.noiseDbm, r.transmitRateMbps,
                        detail::channelText(r.channel));
}

inline void PrintTo(const WirelessNetwork& n, std::ostream* out) {
    *out << fmt::format("{{ssid={} bssid={} rssi={} channel={} noise={}}}",
                        detail::optionalText(n.ssid), detail::optionalText(n.bssid), n.rssiDbm,
                        detail::channelText(n.channel), detail::optionalText(n.noiseDbm));
}

} // namespace lumra
