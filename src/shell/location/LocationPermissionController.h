// The location permission as a published status: read at construction, on
// each refresh (the popover opening) and on every change the authorizer
// reports (applied in a main-actor task, after the current work). Asks for
// when-in-use authorization only while undecided. Main actor.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Task.h"
#include "shell/location/LocationAuthorizing.h"
#include "shell/location/LocationSettingsOpening.h"

#include <memory>

namespace lumra {

class LocationPermissionController final
    : public ObservableObject,
      public std::enable_shared_from_this<LocationPermissionController> {
public:
    static std::shared_ptr<LocationPermissionController>
    create(std::shared_ptr<LocationAuthorizing> authorizer,
           std::shared_ptr<LocationSettingsOpening> settingsOpener);
    ~LocationPermissionController() override;

    const Published<LocationPermissionStatus>& status() const { return m_status; }
    // The views ask these directly (the popover's location button).
    const std::shared_ptr<LocationAuthorizing>& authorizer() const { return m_authorizer; }
    const std::shared_ptr<LocationSettingsOpening>& settingsOpener() const {
        return m_settingsOpener;
    }

    void refreshStatus();
    void requestAuthorizationIfNeeded();
    void openLocationSettings();

private:
    LocationPermissionController(std::shared_ptr<LocationAuthorizing> authorizer,
                                 std::shared_ptr<LocationSettingsOpening> settingsOpener);

    static void applyAuthorizationStatus(std::weak_ptr<LocationPermissionController> weakSelf,
                                         LocationPermissionStatus status);
    static Task<void> setStatusIfAlive(std::weak_ptr<LocationPermissionController> weakSelf,
                                       LocationPermissionStatus status);

    Published<LocationPermissionStatus> m_status;
    const std::shared_ptr<LocationAuthorizing> m_authorizer;
    const std::shared_ptr<LocationSettingsOpening> m_settingsOpener;
};

} // namespace lumra
