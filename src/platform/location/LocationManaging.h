// The platform's location service as far as authorization goes: its status
// as the platform's raw value, the request for when-in-use authorization and
// a delegate told when the status changes. Main actor.
#pragma once

#include <functional>

namespace lumra {

// The platform's raw authorization values.
namespace location_authorization {
inline constexpr int notDetermined = 0;
inline constexpr int restricted = 1;
inline constexpr int denied = 2;
inline constexpr int authorizedAlways = 3;
inline constexpr int authorizedWhenInUse = 4;
} // namespace location_authorization

class LocationManaging {
public:
    virtual ~LocationManaging() = default;

    virtual int authorizationStatusRawValue() const = 0;
    // The answer, if any, comes through the delegate.
    virtual void requestWhenInUseAuthorization() = 0;
    // Called on the main actor after each change of the status; empty to clear.
    virtual void setDelegate(std::function<void()> didChangeAuthorization) = 0;
};

} // namespace lumra
