// Phase of the speed-test monitor.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class SpeedTestPhase {
    idle,
    download,
    upload,
    completed,
    cancelled,
    failed,
};

template <> struct TextEnumTraits<SpeedTestPhase> {
    static constexpr std::array<std::pair<SpeedTestPhase, std::string_view>, 6> cases{{
        {SpeedTestPhase::idle, "idle"},
        {SpeedTestPhase::download, "download"},
        {SpeedTestPhase::upload, "upload"},
        {SpeedTestPhase::completed, "completed"},
        {SpeedTestPhase::cancelled, "cancelled"},
        {SpeedTestPhase::failed, "failed"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::SpeedTestPhase> : lumra::TextEnumHash<lumra::SpeedTestPhase> {};
