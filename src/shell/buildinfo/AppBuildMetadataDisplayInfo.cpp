#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"

#include "model/UnicodeText.h"

#include <charconv>

namespace lumra {

namespace {

using Clock = std::chrono::system_clock;

// Reads exactly `digits` decimal digits at `position`, moving past them.
std::optional<int> readDigits(std::string_view text, std::size_t& position, std::size_t digits) {
    if (text.size() - position < digits)
        return std::nullopt;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[position + i];
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data() + position, text.data() + position + digits, value);
    position += digits;
    return value;
}

bool readLiteral(std::string_view text, std::size_t& position, char expected) {
    if (position >= text.size() || text[position] != expected)
        return false;
    ++position;
    return true;
}

// yyyy-MM-dd as the first day of that calendar date in UTC.
std::optional<std::chrono::sys_days> readDay(std::string_view text, std::size_t& position) {
    const auto year = readDigits(text, position, 4);
    if (!year || !readLiteral(text, position, '-'))
        return std::nullopt;
    const auto month = readDigits(text, position, 2);
    if (!month || !readLiteral(text, position, '-'))
        return std::nullopt;
    const auto day = readDigits(text, position, 2);
    if (!day)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date);
}

// HH:mm:ss, then ".fff..." when wanted, and "Z" or "+HH:mm"/"-HH:mm".
std::optional<Clock::duration> readTimeOfDay(std::string_view text, std::size_t& position,
                                             bool fractional) {
    const auto hour = readDigits(text, position, 2);
    if (!hour || *hour > 23 || !readLiteral(text, position, ':'))
        return std::nullopt;
    const auto minute = readDigits(text, position, 2);
    if (!minute || *minute > 59 || !readLiteral(text, position, ':'))
        return std::nullopt;
    const auto second = readDigits(text, position, 2);
    if (!second || *second > 59)
        return std::nullopt;
    Clock::duration time =
        std::chrono::hours(*hour) + std::chrono::minutes(*minute) + std::chrono::seconds(*second);
    if (fractional) {
        if (!readLiteral(text, position, '.'))
            return std::nullopt;
        std::chrono::nanoseconds fraction{0};
        std::int64_t scale = 100'000'000;
        const std::size_t start = position;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
            fraction += std::chrono::nanoseconds((text[position] - '0') * scale);
            scale /= 10;
            ++position;
        }
        if (position == start)
            return std::nullopt;
        time += std::chrono::duration_cast<Clock::duration>(fraction);
    }
    if (readLiteral(text, position, 'Z'))
        return time;
    if (position >= text.size() || (text[position] != '+' && text[position] != '-'))
        return std::nullopt;
    const bool east = text[position++] == '+';
    const auto offsetHours = readDigits(text, position, 2);
    if (!offsetHours || *offsetHours > 23 || !readLiteral(text, position, ':'))
        return std::nullopt;
    const auto offsetMinutes = readDigits(text, position, 2);
    if (!offsetMinutes || *offsetMinutes > 59)
        return std::nullopt;
    const Clock::duration offset =
        std::chrono::hours(*offsetHours) + std::chrono::minutes(*offsetMinutes);
    return east ? time - offset : time + offset;
}

std::optional<Clock::time_point> parseInternetDateTime(std::string_view text, bool fractional) {
    std::size_t position = 0;
    const auto day = readDay(text, position);
    if (!day || !readLiteral(text, position, 'T'))
        return std::nullopt;
    const auto time = readTimeOfDay(text, position, fractional);
    if (!time || position != text.size())
        return std::nullopt;
    return Clock::time_point(*day) + *time;
}

std::optional<Clock::time_point> parseDayOnly(std::string_view text) {
    std::size_t position = 0;
    const auto day = readDay(text, position);
    if (!day || position != text.size())
        return std::nullopt;
    return Clock::time_point(*day);
}

std::string orDefault(const std::optional<std::string>& value, const char* fallback) {
    return value ? *value : std::string(fallback);
}

AppBuildMetadataDisplayInfo displayInfoOf(const Bundle& bundle,
                                          const ReleaseDateDisplayFormatting& formatter) {
    using Info = AppBuildMetadataDisplayInfo;
    const auto shortVersion =
        Info::normalizedInfoPlistString(bundle.infoValue("CFBundleShortVersionString"));
    const auto bundleVersion = Info::normalizedInfoPlistString(bundle.infoValue("CFBundleVersion"));
    const auto buildID = Info::normalizedInfoPlistString(bundle.infoValue("BuildID"));
    const auto rawReleaseDate = Info::normalizedInfoPlistString(bundle.infoValue("ReleaseDate"));

    std::string version =
        "v" + orDefault(shortVersion, "0.0.1") + " (" + orDefault(bundleVersion, "1") + ")";
    std::string releaseDate;
    if (rawReleaseDate) {
        releaseDate = Info::formatReleaseDate(*rawReleaseDate, formatter).value_or(*rawReleaseDate);
    } else {
        releaseDate =
            Info::executableModificationDateText(bundle, formatter).value_or(std::string("n/a"));
    }
    return Info(std::move(version), orDefault(buildID, "n/a"), std::move(releaseDate));
}

} // namespace

AppBuildMetadataDisplayInfo::AppBuildMetadataDisplayInfo(std::string shownVersion,
                                                         std::string shownBuildID,
                                                         std::string shownReleaseDate)
    : version(std::move(shownVersion)), buildID(std::move(shownBuildID)),
      releaseDate(std::move(shownReleaseDate)) {}

AppBuildMetadataDisplayInfo::AppBuildMetadataDisplayInfo(const Bundle& bundle)
    : AppBuildMetadataDisplayInfo(bundle, releaseDateDisplayFormatter()) {}

AppBuildMetadataDisplayInfo::AppBuildMetadataDisplayInfo(
    const Bundle& bundle, const ReleaseDateDisplayFormatting& formatter)
    : AppBuildMetadataDisplayInfo(displayInfoOf(bundle, formatter)) {}

std::optional<std::string>
AppBuildMetadataDisplayInfo::normalizedInfoPlistString(std::optional<std::string> value) {
    if (!value)
        return std::nullopt;
    std::string trimmed = trimmedWhitespaceAndNewlines(*value);
    if (trimmed.empty() || trimmed.find("$(") != std::string::npos || trimmed == "n/a")
        return std::nullopt;
    return trimmed;
}

std::optional<Clock::time_point>
AppBuildMetadataDisplayInfo::parseReleaseDate(std::string_view text) {
    if (auto date = parseInternetDateTime(text, /*fractional=*/true))
        return date;
    if (auto date = parseInternetDateTime(text, /*fractional=*/false))
        return date;
    return parseDayOnly(text);
}

std::optional<std::string>
AppBuildMetadataDisplayInfo::formatReleaseDate(std::string_view text,
                                               const ReleaseDateDisplayFormatting& formatter) {
    const auto date = parseReleaseDate(text);
    if (!date)
        return std::nullopt;
    return formatter.format(*date);
}

std::optional<std::string> AppBuildMetadataDisplayInfo::formatReleaseDate(std::string_view text) {
    return formatReleaseDate(text, releaseDateDisplayFormatter());
}

std::optional<std::string> AppBuildMetadataDisplayInfo::executableModificationDateText(
    const Bundle& bundle, const ReleaseDateDisplayFormatting& formatter) {
    const auto modified = bundle.executableModificationDate();
    if (!modified)
        return std::nullopt;
    return formatter.format(*modified);
}

const ReleaseDateDisplayFormatting& AppBuildMetadataDisplayInfo::releaseDateDisplayFormatter() {
    static const EnglishLongDateFormatter formatter;
    return formatter;
}

} // namespace lumra
