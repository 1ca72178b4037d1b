// Readings for the radar's view-model tests.
#pragma once

#include "model/WiFiSnapshot.h"

#include <optional>
#include <string>

namespace lumra::test {

inline WiFiSnapshot radarReading(std::int64_t rssi, std::int64_t noise,
                                 std::optional<std::int64_t> snr, std::optional<std::int64_t> rate,
                                 std::optional<std::string> ssid = "Home",
                                 std::optional<std::int64_t> channel = 36,
                                 std::optional<WiFiBand> band = WiFiBand::fiveGigahertz) {
    return WiFiSnapshot{{},
                        "wlan0",
                        std::move(ssid),
                        "aa:bb:cc:dd:ee:01",
                        rssi,
                        noise,
                        snr,
                        rate,
                        channel,
                        band,
                        std::nullopt,
                        false};
}

} // namespace lumra::test
