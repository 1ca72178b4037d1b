// Whether the status icon's badge is drawn in colour: the stored
// "colorfulIcon" setting (off unless set). Main actor.
#pragma once

#include "monitoring/settings/AppSettingsStoring.h"

#include <memory>

namespace lumra {

class ColorfulIconSettingsProviding {
public:
    virtual ~ColorfulIconSettingsProviding() = default;
    virtual bool isColorfulIconEnabled() const = 0;
};

class UserDefaultsColorfulIconSettingsProvider final : public ColorfulIconSettingsProviding {
public:
    explicit UserDefaultsColorfulIconSettingsProvider(
        std::shared_ptr<AppSettingsStoring> settingsStore)
        : m_settingsStore(std::move(settingsStore)) {}

    bool isColorfulIconEnabled() const override { return m_settingsStore->colorfulIcon(); }
    const std::shared_ptr<AppSettingsStoring>& settingsStore() const { return m_settingsStore; }

private:
    std::shared_ptr<AppSettingsStoring> m_settingsStore;
};

} // namespace lumra
