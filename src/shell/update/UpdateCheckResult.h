// The outcome of one update check.
#pragma once

#include "shell/update/AvailableUpdate.h"

#include <optional>

namespace lumra {

struct UpdateCheckResult {
    enum class Case { updateAvailable, upToDate, checkFailed };

    Case kind = Case::checkFailed;
    // Only with updateAvailable.
    std::optional<AvailableUpdate> update;

    static UpdateCheckResult updateAvailable(AvailableUpdate update) {
        return UpdateCheckResult{Case::updateAvailable, std::move(update)};
    }
    static UpdateCheckResult upToDate() { return UpdateCheckResult{Case::upToDate, std::nullopt}; }
    static UpdateCheckResult checkFailed() {
        return UpdateCheckResult{Case::checkFailed, std::nullopt};
    }

    bool operator==(const UpdateCheckResult&) const = default;
};

} // namespace lumra
