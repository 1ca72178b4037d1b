// A newer build offered by the update service, as its JSON record gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

struct AvailableUpdate {
    std::string version;
    // The only value compared with the running build.
    std::int64_t buildNumber = 0;
    // As the service writes it; never parsed.
    std::string releaseDate;
    // After a check: the absolute address the download page opens.
    std::string downloadUrl;
    std::optional<std::string> releaseNotes;
    std::optional<std::string> minimumSystemVersion;

    bool operator==(const AvailableUpdate&) const = default;

    // A JSON object with the required keys of the right types; other keys
    // are ignored, and null optional keys count as missing. Absent for
    // anything else, so one wrong type fails the whole record.
    static std::optional<AvailableUpdate> decode(std::string_view json);
    // The same keys; absent optional fields are left out.
    std::string encode() const;
};

} // namespace lumra
