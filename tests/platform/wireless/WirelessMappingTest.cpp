#include "WirelessPrinting.h"
#include "platform/wireless/TransmitRate.h"
#include "platform/wireless/WirelessChannel.h"
#include "platform/wireless/WirelessText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace lumra {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(WirelessChannelTest, FrequencyGivesChannelAndBand) {
    struct Row {
        std::uint32_t frequencyMhz;
        std::int64_t number;
        WiFiBand band;
    };
    const std::vector<Row> rows = {
        {2412, 1, WiFiBand::twoPointFourGigahertz},
        {2422, 3, WiFiBand::twoPointFourGigahertz},
        {2437, 6, WiFiBand::twoPointFourGigahertz},
        {2472, 13, WiFiBand::twoPointFourGigahertz},
        {2484, 14, WiFiBand::twoPointFourGigahertz},
        {4920, 184, WiFiBand::fiveGigahertz},
        {5180, 36, WiFiBand::fiveGigahertz},
        {5260, 52, WiFiBand::fiveGigahertz},
        {5825, 165, WiFiBand::fiveGigahertz},
        {5885, 177, WiFiBand::fiveGigahertz},
        {5935, 2, WiFiBand::sixGigahertz},
        {5955, 1, WiFiBand::sixGigahertz},
        {5975, 5, WiFiBand::sixGigahertz},
        {6115, 33, WiFiBand::sixGigahertz},
        {7115, 233, WiFiBand::sixGigahertz},
        // Off every grid: the channel is reported, its band is not known.
        {2407, 0, WiFiBand::unknown},
        {2413, 0, WiFiBand::unknown},
        {2477, 0, WiFiBand::unknown},
        {5000, 0, WiFiBand::unknown},
        {5182, 0, WiFiBand::unknown},
        {7120, 0, WiFiBand::unknown},
        {58320, 0, WiFiBand::unknown},
        {0, 0, WiFiBand::unknown},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(channelForFrequency(row.frequencyMhz),
                  (WirelessChannel{row.frequencyMhz, row.number, row.band}))
            << row.frequencyMhz << " MHz";
    }
}

TEST(TransmitRateTest, HundredKilobitUnitsKeepFullPrecision) {
    EXPECT_EQ(transmitRateMbps(0), 0.0);
    EXPECT_EQ(transmitRateMbps(4), 0.4);
    EXPECT_EQ(transmitRateMbps(5), 0.5);
    EXPECT_EQ(transmitRateMbps(120), 12.0);
    EXPECT_EQ(transmitRateMbps(8665), 866.5);
    EXPECT_EQ(transmitRateMbps(std::numeric_limits<std::uint32_t>::max()), 429496729.5);
}

TEST(TransmitRateTest, RoundsHalvesAwayFromZero) {
    struct Row {
        double value;
        std::optional<std::int64_t> rounded;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<Row> rows = {
        {0.0, 0},
        {0.4, 0},
        {0.5, 1},
        {1.5, 2},
        {2.5, 3},
        {866.5, 867},
        {-0.5, -1},
        {-2.5, -3},
        {std::ldexp(1.0, 63), std::nullopt},
        {std::nextafter(std::ldexp(1.0, 63), 0.0), std::int64_t{9223372036854774784}},
        {-std::ldexp(1.0, 63), std::numeric_limits<std::int64_t>::min()},
        {std::nextafter(-std::ldexp(1.0, 63), -1e300), std::nullopt},
        {infinity, std::nullopt},
        {-infinity, std::nullopt},
        {std::nan(""), std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(roundHalfAwayFromZero(row.value), row.rounded) << row.value;
    }
    // The rate chain as a caller sees it.
    EXPECT_EQ(roundHalfAwayFromZero(transmitRateMbps(8665)), 867);
    EXPECT_EQ(roundHalfAwayFromZero(transmitRateMbps(5)), 1);
    EXPECT_EQ(roundHalfAwayFromZero(transmitRateMbps(4)), 0);
}

TEST(SsidTest, DecodesOnlyNamesThatAreTextAndNotPlaceholders) {
    struct Row {
        std::vector<std::uint8_t> bytes;
        std::optional<std::string> ssid;
    };
    const std::vector<Row> rows = {
        {bytesOf("home"), "home"},
        {bytesOf(" spaced "), " spaced "},
        {bytesOf("caf\xc3\xa9"), "caf\xc3\xa9"},
        {bytesOf("\xf0\x9f\x93\xb6 net"), "\xf0\x9f\x93\xb6 net"},
        {{}, std::nullopt},
        {{0, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
        {{0}, std::nullopt},
        // A name with a NUL inside is still a name.
        {{'a', 0, 'b'}, std::string("a\0b", 3)},
        {{'a', 0xff, 'b'}, std::nullopt},
        {bytesOf("caf\xe9"), std::nullopt},  // Latin-1
        {bytesOf("\xc3"), std::nullopt},     // cut short
        {bytesOf("\xc0\xaf"), std::nullopt}, // overlong
        {bytesOf("\xe0\x80\xaf"), std::nullopt},
        {bytesOf("\xed\xa0\x80"), std::nullopt},     // surrogate
        {bytesOf("\xf4\x90\x80\x80"), std::nullopt}, // above U+10FFFF
        {bytesOf("\xf4\x8f\xbf\xbf"), "\xf4\x8f\xbf\xbf"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(decodeSsid(rows[i].bytes), rows[i].ssid) << "row " << i;
    }
}

TEST(MacAddressTest, FormatsLowerCaseHexWithColons) {
    const std::array<std::uint8_t, 6> address{0x02, 0xAB, 0x00, 0x0f, 0xFF, 0x10};
    EXPECT_EQ(formatMacAddress(address), "02:ab:00:0f:ff:10");
}

} // namespace
} // namespace lumra
