#include "shell/location/SystemSettingsLocationOpener.h"

namespace lumra {

SystemSettingsLocationOpener::SystemSettingsLocationOpener(std::shared_ptr<URLOpening> urlOpener,
                                                           std::optional<Url> fallbackSettingsURL)
    : m_urlOpener(std::move(urlOpener)), m_fallbackSettingsURL(std::move(fallbackSettingsURL)) {}

bool SystemSettingsLocationOpener::openLocationSettings() {
    for (const char* text : {privacySecurityURL, legacySecurityURL}) {
        const auto url = Url::parse(text);
        if (url && m_urlOpener->open(*url))
            return true;
    }
    return m_fallbackSettingsURL && m_urlOpener->open(*m_fallbackSettingsURL);
}

} // namespace lumra
