#include "shell/update/AvailableUpdate.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace lumra {

namespace {

using Json = nlohmann::json;

std::optional<std::string> requiredText(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

// Missing and null are absent; any other non-text value fails the record.
bool readOptionalText(const Json& object, const char* key, std::optional<std::string>& into) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return true;
    if (!found->is_string())
        return false;
    into = found->get<std::string>();
    return true;
}

std::optional<std::int64_t> requiredInteger(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end())
        return std::nullopt;
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    if (found->is_number_integer())
        return found->get<std::int64_t>();
    return std::nullopt;
}

} // namespace

std::optional<AvailableUpdate> AvailableUpdate::decode(std::string_view json) {
    const Json object = Json::parse(json, /*callback=*/nullptr, /*allow_exceptions=*/false);
    if (!object.is_object())
        return std::nullopt;
    auto version = requiredText(object, "version");
    auto buildNumber = requiredInteger(object, "buildNumber");
    auto releaseDate = requiredText(object, "releaseDate");
    auto downloadUrl = requiredText(object, "downloadUrl");
    if (!version || !buildNumber || !releaseDate || !downloadUrl)
        return std::nullopt;
    AvailableUpdate update{std::move(*version),     *buildNumber, std::move(*releaseDate),
                           std::move(*downloadUrl), std::nullopt, std::nullopt};
    if (!readOptionalText(object, "releaseNotes", update.releaseNotes) ||
        !readOptionalText(object, "minimumSystemVersion", update.minimumSystemVersion))
        return std::nullopt;
    return update;
}

std::string AvailableUpdate::encode() const {
    Json object = {{"version", version},
                   {"buildNumber", buildNumber},
                   {"releaseDate", releaseDate},
                   {"downloadUrl", downloadUrl}};
    if (releaseNotes)
        object["releaseNotes"] = *releaseNotes;
    if (minimumSystemVersion)
        object["minimumSystemVersion"] = *minimumSystemVersion;
    return object.dump();
}

} // namespace lumra
