// Opens the Location Services privacy page: the current settings deep link,
// then the older one, then the settings application itself where the system
// has one. Where no deep link opens (the URL opener refuses schemes it does
// not know) the fallback decides the answer; without one nothing opens.
// Main actor.
#pragma once

#include "model/Url.h"
#include "platform/desktop/URLOpening.h"
#include "shell/location/LocationSettingsOpening.h"

#include <memory>
#include <optional>

namespace lumra {

class SystemSettingsLocationOpener final : public LocationSettingsOpening {
public:
    static constexpr const char* privacySecurityURL =
        "x-apple.systempreferences:com.apple.settings.PrivacySecurity.extension"
        "?Privacy_LocationServices";
    static constexpr const char* legacySecurityURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_LocationServices";

    SystemSettingsLocationOpener(std::shared_ptr<URLOpening> urlOpener,
                                 std::optional<Url> fallbackSettingsURL);

    bool openLocationSettings() override;

    const std::shared_ptr<URLOpening>& urlOpener() const { return m_urlOpener; }
    const std::optional<Url>& fallbackSettingsURL() const { return m_fallbackSettingsURL; }

private:
    std::shared_ptr<URLOpening> m_urlOpener;
    std::optional<Url> m_fallbackSettingsURL;
};

} // namespace lumra
