// Frequency to channel: the 802.11 channel starting frequencies of each band.
#include "platform/wireless/WirelessChannel.h"

namespace lumra {

namespace {

// Channels lie every 5 MHz from the band's starting frequency.
bool onGrid(std::uint32_t frequencyMhz, std::uint32_t startMhz) {
    return (frequencyMhz - startMhz) % 5 == 0;
}

} // namespace

WirelessChannel channelForFrequency(std::uint32_t f) {
    auto make = [f](std::int64_t number, WiFiBand band) {
        return WirelessChannel{f, number, band};
    };
    if (f == 2484) {
        return make(14, WiFiBand::twoPointFourGigahertz);
    }
    if (f >= 2412 && f <= 2472 && onGrid(f, 2407)) {
        return make((f - 2407) / 5, WiFiBand::twoPointFourGigahertz);
    }
    // 802.11j channels in Japan's 4.9 GHz allocation are numbered from 4 GHz.
    if (f >= 4910 && f <= 4980 && onGrid(f, 4000)) {
        return make((f - 4000) / 5, WiFiBand::fiveGigahertz);
    }
    if (f >= 5160 && f <= 5885 && onGrid(f, 5000)) {
        return make((f - 5000) / 5, WiFiBand::fiveGigahertz);
    }
    // Channel 2 sits below the 6 GHz grid that starts with channel 1 at 5955.
    if (f == 5935) {
        return make(2, WiFiBand::sixGigahertz);
    }
    if (f >= 5955 && f <= 7115 && onGrid(f, 5950)) {
        return make((f - 5950) / 5, WiFiBand::sixGigahertz);
    }
    return make(0, WiFiBand::unknown);
}

} // namespace lumra
