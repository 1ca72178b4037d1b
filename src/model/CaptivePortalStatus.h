// One published captive-portal verdict.
#pragma once

#include "model/CaptivePortalDetectionReason.h"
#include "model/Url.h"

#include <chrono>
#include <optional>

namespace lumra {

struct CaptivePortalStatus {
    std::chrono::system_clock::time_point timestamp;
    bool isCaptivePortal;
    // Where the portal sent the probe, or the probe page whose content it replaced.
    std::optional<Url> portalURL;
    std::optional<Url> probeURL;
    CaptivePortalDetectionReason reason;

    bool operator==(const CaptivePortalStatus&) const = default;
};

} // namespace lumra
