#include "shell/location/LocationPermissionController.h"

#include "concurrency/Spawn.h"

namespace lumra {

std::shared_ptr<LocationPermissionController>
LocationPermissionController::create(std::shared_ptr<LocationAuthorizing> authorizer,
                                     std::shared_ptr<LocationSettingsOpening> settingsOpener) {
    std::shared_ptr<LocationPermissionController> controller(
        new LocationPermissionController(std::move(authorizer), std::move(settingsOpener)));
    std::weak_ptr<LocationPermissionController> weak = controller;
    controller->m_authorizer->setOnAuthorizationStatusChange(
        [weak](LocationPermissionStatus status) { applyAuthorizationStatus(weak, status); });
    return controller;
}

LocationPermissionController::LocationPermissionController(
    std::shared_ptr<LocationAuthorizing> authorizer,
    std::shared_ptr<LocationSettingsOpening> settingsOpener)
    : m_status(authorizer->authorizationStatus(), this), m_authorizer(std::move(authorizer)),
      m_settingsOpener(std::move(settingsOpener)) {}

LocationPermissionController::~LocationPermissionController() = default;

void LocationPermissionController::applyAuthorizationStatus(
    std::weak_ptr<LocationPermissionController> weakSelf, LocationPermissionStatus status) {
    spawn(mainActor(), [weakSelf, status] { return setStatusIfAlive(weakSelf, status); });
}

Task<void>
LocationPermissionController::setStatusIfAlive(std::weak_ptr<LocationPermissionController> weakSelf,
                                               LocationPermissionStatus status) {
    if (auto self = weakSelf.lock())
        self->m_status.set(status);
    co_return;
}

void LocationPermissionController::refreshStatus() {
    m_status.set(m_authorizer->authorizationStatus());
}

void LocationPermissionController::requestAuthorizationIfNeeded() {
    if (m_status.get() == LocationPermissionStatus::notDetermined)
        m_authorizer->requestWhenInUseAuthorization();
}

void LocationPermissionController::openLocationSettings() {
    m_settingsOpener->openLocationSettings();
}

} // namespace lumra
