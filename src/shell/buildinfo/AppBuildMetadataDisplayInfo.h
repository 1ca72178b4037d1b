// The three lines the About pages show about the running build (version,
// build identifier, release date), from the bundle's information table.
// Missing, empty, unexpanded ("$(...)") and "n/a" values fall back to
// defaults; a release date is shown as a long date in the user's time zone;
// without one, the executable's modification date. Any thread.
#pragma once

#include "platform/bundle/Bundle.h"
#include "viewkit/ReleaseDateDisplayFormatting.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

struct AppBuildMetadataDisplayInfo {
    std::string version;
    std::string buildID;
    std::string releaseDate;

    AppBuildMetadataDisplayInfo(std::string version, std::string buildID, std::string releaseDate);
    // Dates written by releaseDateDisplayFormatter(), or by formatter.
    explicit AppBuildMetadataDisplayInfo(const Bundle& bundle);
    AppBuildMetadataDisplayInfo(const Bundle& bundle,
                                const ReleaseDateDisplayFormatting& formatter);

    bool operator==(const AppBuildMetadataDisplayInfo&) const = default;

    // Trimmed; absent when missing, empty, holding "$(" or exactly "n/a".
    static std::optional<std::string> normalizedInfoPlistString(std::optional<std::string> value);

    // An internet date-time with or without fractional seconds, or a day
    // (yyyy-MM-dd, midnight UTC); absent for anything else.
    static std::optional<std::chrono::system_clock::time_point>
    parseReleaseDate(std::string_view text);
    static std::optional<std::string>
    formatReleaseDate(std::string_view text, const ReleaseDateDisplayFormatting& formatter);
    static std::optional<std::string> formatReleaseDate(std::string_view text);

    // The modification date of the executable (the bundle's directory when
    // it has none); absent when it cannot be read.
    static std::optional<std::string>
    executableModificationDateText(const Bundle& bundle,
                                   const ReleaseDateDisplayFormatting& formatter);

    // Made once, shared by every call.
    static const ReleaseDateDisplayFormatting& releaseDateDisplayFormatter();
};

} // namespace lumra
