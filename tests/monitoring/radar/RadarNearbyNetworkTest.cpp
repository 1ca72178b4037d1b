#include "monitoring/radar/RadarNearbyNetwork.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

constexpr WiFiBand k24 = WiFiBand::twoPointFourGigahertz;
constexpr WiFiBand k5 = WiFiBand::fiveGigahertz;

TEST(RadarNearbyNetworkTest, MergesEachAccessPointOrHiddenNetworkKeepingTheStrongestReading) {
    struct Case {
        std::string what;
        std::vector<WiFiScannedNetwork> scan;
        std::vector<RadarNearbyNetwork> listed;
    };
    const std::vector<Case> cases{
        {"nothing heard", {}, {}},
        {"one access point heard twice keeps the stronger reading",
         {{"cafe", "02:00:00:00:00:01", -70, 1, k24}, {"cafe-2", "02:00:00:00:00:01", -60, 6, k24}},
         {{"02:00:00:00:00:01", "cafe-2", -60, 6, k24}}},
        {"on equal signal the first reading stays, with its name and channel",
         {{"cafe", "02:00:00:00:00:01", -60, 1, k24}, {"cafe-2", "02:00:00:00:00:01", -60, 6, k24}},
         {{"02:00:00:00:00:01", "cafe", -60, 1, k24}}},
        {"named and nameless networks without address stay apart",
         {{"home", std::nullopt, -60, 6, k24}, {std::nullopt, std::nullopt, -71, 6, k24}},
         {{"Hidden-6|-60", "home", -60, 6, k24}, {"Hidden-6|-71", "Hidden-6", -71, 6, k24}}},
        {"one name on two channels without address gives two entries",
         {{"home", std::nullopt, -50, 1, k24}, {"home", std::nullopt, -55, 11, k24}},
         {{"Hidden-1|-50", "home", -50, 1, k24}, {"Hidden-11|-55", "home", -55, 11, k24}}},
        {"the band keeps one name on one channel number apart",
         {{"home", std::nullopt, -50, 1, k24},
          {"home", std::nullopt, -50, 1, WiFiBand::sixGigahertz}},
         {{"Hidden-1|-50", "home", -50, 1, k24},
          {"Hidden-1|-50", "home", -50, 1, WiFiBand::sixGigahertz}}},
        {"nameless networks without address on one channel and band merge",
         {{std::nullopt, std::nullopt, -80, 36, k5}, {std::nullopt, std::nullopt, -65, 36, k5}},
         {{"Hidden-36|-65", "Hidden-36", -65, 36, k5}}},
        {"a nameless access point keeps its address as id",
         {{std::nullopt, "02:00:00:00:00:09", -66, 149, k5}},
         {{"02:00:00:00:00:09", "Hidden-149", -66, 149, k5}}},
        {"strongest first, equal signals in scan order",
         {{"a", "02:00:00:00:00:0a", -40, 1, k24},
          {"b", "02:00:00:00:00:0b", -80, 1, k24},
          {"c", "02:00:00:00:00:0c", -60, 1, k24},
          {"d", "02:00:00:00:00:0d", -80, 1, k24}},
         {{"02:00:00:00:00:0a", "a", -40, 1, k24},
          {"02:00:00:00:00:0c", "c", -60, 1, k24},
          {"02:00:00:00:00:0b", "b", -80, 1, k24},
          {"02:00:00:00:00:0d", "d", -80, 1, k24}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(makeRadarNearbyNetworks(c.scan), c.listed) << c.what;
}

} // namespace
} // namespace lumra
