// Whether the application may learn the Wi-Fi network's name, as the
// platform's location authorization says.
#pragma once

namespace lumra {

enum class LocationPermissionStatus { notDetermined, denied, restricted, authorized };

// From the platform's raw authorization value; unknown values are restricted.
LocationPermissionStatus mapAuthorizationStatus(int rawValue);

} // namespace lumra
