// The six stages of a report collection, in the order they run and the
// checklist lists them.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace lumra {

enum class CollectionStage {
    metrics = 0,
    wifi = 1,
    latency = 2,
    channel = 3,
    speed = 4,
    finalize = 5,
};

inline constexpr std::array<CollectionStage, 6> allCollectionStages{
    CollectionStage::metrics, CollectionStage::wifi,  CollectionStage::latency,
    CollectionStage::channel, CollectionStage::speed, CollectionStage::finalize,
};

constexpr int rawValue(CollectionStage stage) {
    return static_cast<int>(stage);
}

// Any integer outside 0...5 gives no stage.
constexpr std::optional<CollectionStage> collectionStageFromRawValue(int raw) {
    if (raw < 0 || raw >= static_cast<int>(allCollectionStages.size()))
        return std::nullopt;
    return allCollectionStages[static_cast<std::size_t>(raw)];
}

constexpr std::string_view title(CollectionStage stage) {
    constexpr std::array<std::string_view, 6> titles{
        "Collecting metrics",      "Collecting Wi-Fi metrics", "Collecting latency metrics",
        "Collecting channel info", "Running speed test",       "Finalizing report",
    };
    return titles[static_cast<std::size_t>(stage)];
}

// The progress bar's value when the stage begins.
constexpr double entryProgress(CollectionStage stage) {
    constexpr std::array<double, 6> values{0.06, 0.20, 0.34, 0.54, 0.76, 0.92};
    return values[static_cast<std::size_t>(stage)];
}

} // namespace lumra
