#include "shell/location/LocationPermissionStatus.h"

#include "platform/location/LocationManaging.h"

namespace lumra {

LocationPermissionStatus mapAuthorizationStatus(int rawValue) {
    switch (rawValue) {
    case location_authorization::notDetermined:
        return LocationPermissionStatus::notDetermined;
    case location_authorization::denied:
        return LocationPermissionStatus::denied;
    case location_authorization::authorizedAlways:
    case location_authorization::authorizedWhenInUse:
        return LocationPermissionStatus::authorized;
    case location_authorization::restricted:
    default:
        return LocationPermissionStatus::restricted;
    }
}

} // namespace lumra
