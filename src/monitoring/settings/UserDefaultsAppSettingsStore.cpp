// Reads and writes through the defaults store on the caller's thread (the
// main actor); the store persists each write before returning.
#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

#include "platform/defaults/DefaultsStore.h"

#include <cassert>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace lumra {

namespace {

// Whitespace and line breaks in the Unicode sense: the separators (Zs, Zl,
// Zp), tab, U+000A to U+000D and U+0085.
bool isWhitespaceOrNewline(char32_t c) {
    return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Decodes the well-formed UTF-8 sequence at the start of text; nullopt for
// anything else, which never counts as whitespace.
std::optional<std::pair<char32_t, std::size_t>> decode(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return std::pair<char32_t, std::size_t>(lead, 1);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || length > text.size() || lead > 0xF4)
        return std::nullopt;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return std::pair<char32_t, std::size_t>(c, length);
}

std::size_t leadingWhitespace(std::string_view text) {
    std::size_t offset = 0;
    while (auto decoded = decode(text.substr(offset))) {
        if (!isWhitespaceOrNewline(decoded->first))
            break;
        offset += decoded->second;
    }
    return offset;
}

std::size_t trailingWhitespace(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        const auto decoded = decode(text.substr(start, end - start));
        if (!decoded || decoded->second != end - start || !isWhitespaceOrNewline(decoded->first))
            break;
        end = start;
    }
    return text.size() - end;
}

std::string trimmingWhitespaceAndNewlines(std::string_view text) {
    const std::size_t leading = leadingWhitespace(text);
    text.remove_prefix(leading);
    text.remove_suffix(trailingWhitespace(text));
    return std::string(text);
}

} // namespace

UserDefaultsAppSettingsStore::UserDefaultsAppSettingsStore(std::shared_ptr<DefaultsStore> userDefaults)
    : m_userDefaults(std::move(userDefaults)) {
    assert(m_userDefaults && "the settings need a defaults store");
    m_userDefaults->registerDefaults({
        {AppSettingsKey::monitoringEnabled, true},
        {AppSettingsKey::batteryFriendly, true},
        {AppSettingsKey::colorfulIcon, false},
        {AppSettingsKey::internetPingTarget, std::string(defaultInternetPingTarget)},
    });
}

bool UserDefaultsAppSettingsStore::monitoringEnabled() const {
    return m_userDefaults->boolForKey(AppSettingsKey::monitoringEnabled);
}

void UserDefaultsAppSettingsStore::setMonitoringEnabled(bool monitoringEnabled) {
    m_userDefaults->setBool(AppSettingsKey::monitoringEnabled, monitoringEnabled);
}

bool UserDefaultsAppSettingsStore::batteryFriendly() const {
    return m_userDefaults->boolForKey(AppSettingsKey::batteryFriendly);
}

void UserDefaultsAppSettingsStore::setBatteryFriendly(bool batteryFriendly) {
    m_userDefaults->setBool(AppSettingsKey::batteryFriendly, batteryFriendly);
}

bool UserDefaultsAppSettingsStore::colorfulIcon() const {
    return m_userDefaults->boolForKey(AppSettingsKey::colorfulIcon);
}

void UserDefaultsAppSettingsStore::setColorfulIcon(bool colorfulIcon) {
    m_userDefaults->setBool(AppSettingsKey::colorfulIcon, colorfulIcon);
}

std::string UserDefaultsAppSettingsStore::internetPingTarget() const {
    const auto stored = m_userDefaults->stringForKey(AppSettingsKey::internetPingTarget);
    std::string target = trimmingWhitespaceAndNewlines(stored.value_or(std::string()));
    if (target.empty())
        return defaultInternetPingTarget;
    return target;
}

void UserDefaultsAppSettingsStore::setInternetPingTarget(std::string internetPingTarget) {
    m_userDefaults->setString(AppSettingsKey::internetPingTarget, internetPingTarget);
}

std::optional<std::string> UserDefaultsAppSettingsStore::lastSSID() const {
    return m_userDefaults->stringForKey(AppSettingsKey::lastSSID);
}

void UserDefaultsAppSettingsStore::setLastSSID(std::optional<std::string> lastSSID) {
    const std::string trimmed = lastSSID ? trimmingWhitespaceAndNewlines(*lastSSID) : std::string();
    if (trimmed.empty()) {
        m_userDefaults->removeObjectForKey(AppSettingsKey::lastSSID);
        return;
    }
    m_userDefaults->setString(AppSettingsKey::lastSSID, trimmed);
}

} // namespace lumra
