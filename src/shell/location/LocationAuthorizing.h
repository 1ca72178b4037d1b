// The location authorization the permission controller reads and asks for.
// Main actor.
#pragma once

#include "shell/location/LocationPermissionStatus.h"

#include <functional>

namespace lumra {

class LocationAuthorizing {
public:
    using StatusChangeCallback = std::function<void(LocationPermissionStatus)>;

    virtual ~LocationAuthorizing() = default;

    virtual LocationPermissionStatus authorizationStatus() const = 0;
    // Called with the new status each time the platform reports a change.
    virtual const StatusChangeCallback& onAuthorizationStatusChange() const = 0;
    virtual void setOnAuthorizationStatusChange(StatusChangeCallback callback) = 0;
    // The answer arrives through the callback.
    virtual void requestWhenInUseAuthorization() = 0;
};

} // namespace lumra
