// How a captive portal showed itself, or none.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class CaptivePortalDetectionReason {
    none,
    redirect,
    contentInjection,
};

template <> struct TextEnumTraits<CaptivePortalDetectionReason> {
    static constexpr std::array<std::pair<CaptivePortalDetectionReason, std::string_view>, 3> cases{
        {
            {CaptivePortalDetectionReason::none, "none"},
            {CaptivePortalDetectionReason::redirect, "redirect"},
            {CaptivePortalDetectionReason::contentInjection, "contentInjection"},
        }};
};

} // namespace lumra

template <>
struct std::hash<lumra::CaptivePortalDetectionReason>
    : lumra::TextEnumHash<lumra::CaptivePortalDetectionReason> {};
