// Opening the system's Location Services settings page. Main actor.
#pragma once

namespace lumra {

class LocationSettingsOpening {
public:
    virtual ~LocationSettingsOpening() = default;
    // Whether a settings page opened.
    virtual bool openLocationSettings() = 0;
};

} // namespace lumra
