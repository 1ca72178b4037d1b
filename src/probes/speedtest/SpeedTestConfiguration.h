// The constants of one speed test: how many equal chunks each direction
// moves, all in flight together, how large they are, and the time-outs and
// pace floor of every single request.
#pragma once

#include <cstdint>

namespace lumra {

struct SpeedTestConfiguration {
    std::int64_t downloadChunkSizeBytes;
    std::int64_t downloadChunks;
    std::int64_t uploadChunkSizeBytes;
    std::int64_t uploadChunks;
    // Seconds without progress after which a request fails.
    double requestTimeout;
    // Seconds after which a request fails however steadily bytes arrive: a
    // server that drips never trips the time-out above. Long enough for a
    // default chunk to finish on a link of about 1 Mbps shared by all chunks.
    double requestOverallTimeout = 300.0;
    // A request fails once it moves less than lowSpeedBytesPerSecond on
    // average for lowSpeedSeconds: one that drips a byte every few seconds
    // would otherwise hold the test until the overall limit above.
    double lowSpeedBytesPerSecond = 1000.0;
    double lowSpeedSeconds = 15.0;

    bool operator==(const SpeedTestConfiguration&) const = default;
};

// 32,000,000 bytes down and 12,000,000 up per test.
inline constexpr SpeedTestConfiguration defaultSpeedTestConfiguration{8'000'000, 4, 3'000'000, 4,
                                                                      10.0};

} // namespace lumra
