// Runs inside the simulated-radio VM (tests/vm/scene/init): the Wi-Fi Radar
// window's feed and nearby scanner over the real interface provider and
// scanner, as the window makes them, until the feed has a few readings and
// the first scan is published; then the window's view-model of them. Prints
// one JSON line for radar_vm_test.py. Everything runs on this thread's run
// loop (the main actor); the scan blocks a worker of the background pool.
#include "concurrency/RunLoop.h"
#include "monitoring/radar/WiFiRadarMonitor.h"
#include "monitoring/radar/WiFiRadarNearbyNetworksController.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"
#include "windows/radar/viewmodel/LinkQualityScore.h"
#include "windows/radar/viewmodel/WiFiRadarWindowState.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

namespace lumra {
namespace {

using nlohmann::json;

int radar() {
    RunLoop loop;
    // One client for both, as the application's factories share it.
    auto wireless = std::make_shared<Nl80211Client>();
    auto feed = WiFiRadarMonitor::create(std::make_shared<CoreWLANInterfaceProvider>(wireless),
                                         std::make_shared<TaskSleeper>(), 0.25, 120,
                                         [] { return std::chrono::system_clock::now(); });
    auto scanner = WiFiRadarNearbyNetworksController::create(
        std::make_shared<CoreWLANNetworkScanner>(wireless), 8.0);
    feed->start();
    scanner->start();
    const bool ready = loop.runUntil(
        [&] {
            return feed->history().get().size() >= 4 && !scanner->isScanning().get() &&
                   (!scanner->nearbyNetworks().get().empty() ||
                    scanner->lastErrorMessage().get().has_value());
        },
        std::chrono::seconds(60));
    feed->pollingTask()->cancel();
    feed->setPollingTask(std::nullopt);
    scanner->stop();

    const std::optional<WiFiSnapshot> none;
    const std::vector<WiFiSnapshot> noHistory;
    const WiFiRadarWindowState state = makeWiFiRadarWindowState(
        {feed->latestSnapshot().get(), feed->history().get(), none, noHistory,
         scanner->nearbyNetworks().get(), scanner->lastErrorMessage().get()});

    json reading = nullptr;
    const std::optional<WiFiSnapshot>& current = feed->latestSnapshot().get();
    if (current) {
        const WiFiSnapshot& s = *current;
        reading = {{"ssid", s.ssid ? json(*s.ssid) : json(nullptr)},
                   {"rssiDbm", s.rssiDbm},
                   {"noiseFloorDbm", s.noiseFloorDbm},
                   {"snrDb", s.snrDb ? json(*s.snrDb) : json(nullptr)},
                   {"linkRateMbps", s.linkRateMbps ? json(*s.linkRateMbps) : json(nullptr)}};
    }
    json rows = json::array();
    for (const RadarNearbyRow& row : state.nearbyRows)
        rows.push_back(
            {{"id", row.id}, {"ssid", row.ssid}, {"signal", row.signal}, {"channel", row.channel}});
    json cards = json::array();
    for (const RadarMetricCardModel& card : state.cards)
        cards.push_back(card.title + " " + card.valueText);
    std::cout << json{{"step", "radar"},
                      {"ready", ready},
                      {"readings", feed->history().get().size()},
                      {"reading", reading},
                      {"networkTitle", state.networkTitle},
                      {"showsCurrentTag", state.showsCurrentTag},
                      {"channelText", state.channelText},
                      {"score", linkQualityScore(current)},
                      {"verdict", std::string(state.verdict)},
                      {"directionHint", std::string(state.directionHint.text)},
                      {"cards", cards},
                      {"nearbyRows", rows},
                      {"nearbyPlaceholder", state.nearbyPlaceholder}}
                     .dump()
              << std::endl;
    return ready ? 0 : 1;
}

} // namespace
} // namespace lumra

int main() {
    return lumra::radar();
}
