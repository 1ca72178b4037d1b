#include "shell/location/CoreLocationAuthorizer.h"

#include "platform/location/UngatedLocationManager.h"

namespace lumra {

std::shared_ptr<CoreLocationAuthorizer>
CoreLocationAuthorizer::create(std::shared_ptr<LocationManaging> locationManager) {
    if (!locationManager)
        locationManager = std::make_shared<UngatedLocationManager>();
    std::shared_ptr<CoreLocationAuthorizer> authorizer(
        new CoreLocationAuthorizer(std::move(locationManager)));
    std::weak_ptr<CoreLocationAuthorizer> weak = authorizer;
    authorizer->m_locationManager->setDelegate([weak] {
        if (auto self = weak.lock())
            self->locationManagerDidChangeAuthorization();
    });
    return authorizer;
}

CoreLocationAuthorizer::CoreLocationAuthorizer(std::shared_ptr<LocationManaging> locationManager)
    : m_locationManager(std::move(locationManager)) {}

CoreLocationAuthorizer::~CoreLocationAuthorizer() {
    m_locationManager->setDelegate({});
}

LocationPermissionStatus CoreLocationAuthorizer::authorizationStatus() const {
    return mapAuthorizationStatus(m_locationManager->authorizationStatusRawValue());
}

void CoreLocationAuthorizer::requestWhenInUseAuthorization() {
    m_locationManager->requestWhenInUseAuthorization();
}

void CoreLocationAuthorizer::locationManagerDidChangeAuthorization() {
    if (m_onAuthorizationStatusChange)
        m_onAuthorizationStatusChange(authorizationStatus());
}

} // namespace lumra
