#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumra {
namespace {

using std::nullopt;
using Info = AppBuildMetadataDisplayInfo;

// The local time zone for one test; POSIX rules, so no time zone database
// is needed.
class TimeZone {
public:
    explicit TimeZone(const char* rule) {
        if (const char* previous = std::getenv("TZ"))
            m_previous = previous;
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_previous)
            ::setenv("TZ", m_previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_previous;
};

Bundle bundleWith(Bundle::InfoDictionary info,
                  std::optional<std::filesystem::path> executable = nullopt,
                  std::filesystem::path directory = "/nonexistent-lumra-bundle") {
    return Bundle(std::move(info), std::move(executable), std::move(directory));
}

TEST(AppBuildMetadataDisplayInfoTest, NormalisationDropsBlanksPlaceholdersAndNotAvailable) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {nullopt, nullopt},
        {"1.4.2", "1.4.2"},
        {"  2.0 \n", "2.0"},
        {"", nullopt},
        {" \t\n", nullopt},
        {"$(MARKETING_VERSION)", nullopt},
        {"1.0-$(BUILD)", nullopt},
        {"n/a", nullopt},
        {" n/a ", nullopt},
        {"N/A", "N/A"},
        {"n/a2", "n/a2"},
        {"$", "$"},
        {"(x)", "(x)"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(Info::normalizedInfoPlistString(input), expected) << input.value_or("(missing)");
}

TEST(AppBuildMetadataDisplayInfoTest, VersionAndBuildIdentifierFallBackToDefaults) {
    struct Case {
        Bundle::InfoDictionary info;
        std::string version;
        std::string buildID;
    };
    const std::vector<Case> cases = {
        {{{"CFBundleShortVersionString", "1.4.2"},
          {"CFBundleVersion", "57"},
          {"BuildID", "abc123"}},
         "v1.4.2 (57)",
         "abc123"},
        {{}, "v0.0.1 (1)", "n/a"},
        {{{"CFBundleShortVersionString", " 2.0 "},
          {"CFBundleVersion", "$(CURRENT_PROJECT_VERSION)"}},
         "v2.0 (1)",
         "n/a"},
        {{{"CFBundleVersion", "58"}, {"BuildID", "n/a"}}, "v0.0.1 (58)", "n/a"},
        {{{"BuildID", "N/A"}}, "v0.0.1 (1)", "N/A"},
        {{{"BuildID", "  "}}, "v0.0.1 (1)", "n/a"},
    };
    for (const auto& c : cases) {
        auto info = c.info;
        info["ReleaseDate"] = "2026-12-10";
        const Info shown(bundleWith(info));
        EXPECT_EQ(shown.version, c.version);
        EXPECT_EQ(shown.buildID, c.buildID);
    }
}

TEST(AppBuildMetadataDisplayInfoTest, ReleaseDatesAreShownAsLongDatesInTheLocalTimeZone) {
    struct Case {
        const char* timeZone;
        std::string raw;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"UTC0", "2026-12-10", "December 10, 2026"},
        {"XST8", "2026-12-10", "December 9, 2026"}, // west of UTC: the evening before
        {"XET-9", "2026-12-10", "December 10, 2026"},
        {"UTC0", "2026-03-01T23:30:00Z", "March 1, 2026"},
        {"XET-9", "2026-03-01T23:30:00Z", "March 2, 2026"},
        {"UTC0", "2026-03-01T23:30:00.125Z", "March 1, 2026"},
        {"UTC0", "2026-03-01T23:30:00.5+02:00", "March 1, 2026"},
        {"UTC0", "2026-03-01T00:30:00-02:00", "March 1, 2026"},
        {"UTC0", "2026-03-01T23:30:00-02:00", "March 2, 2026"},
        {"UTC0", "2024-02-29", "February 29, 2024"},
        {"UTC0", "  2026-12-10\n", "December 10, 2026"},
        {"UTC0", "2025-02-29", "2025-02-29"},
        {"UTC0", "2026-13-01", "2026-13-01"},
        {"UTC0", "2026-12-10T25:00:00Z", "2026-12-10T25:00:00Z"},
        {"UTC0", "2026-12-10T10:00:00", "2026-12-10T10:00:00"},
        {"UTC0", "2026-12-10T10:00:00.Z", "2026-12-10T10:00:00.Z"},
        {"UTC0", "2026-12-10 10:00:00Z", "2026-12-10 10:00:00Z"},
        {"UTC0", "2026-1-5", "2026-1-5"},
        {"UTC0", "10 December 2026", "10 December 2026"},
        {"UTC0", "2026-12-10x", "2026-12-10x"},
    };
    for (const auto& c : cases) {
        TimeZone zone(c.timeZone);
        EXPECT_EQ(Info(bundleWith({{"ReleaseDate", c.raw}})).releaseDate, c.shown)
            << c.raw << " in " << c.timeZone;
    }
}

TEST(AppBuildMetadataDisplayInfoTest, WithoutAReleaseDateTheExecutablesModificationDateIsShown) {
    TimeZone zone("UTC0");
    test::TempDir directory;
    const std::string executable = directory.write("lumra", "#!/bin/sh\n", true);
    std::tm day{};
    day.tm_year = 2025 - 1900;
    day.tm_mon = 6;
    day.tm_mday = 4;
    day.tm_hour = 12;
    const std::time_t when = ::timegm(&day);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, executable.c_str(), times, 0), 0);

    EXPECT_EQ(Info(bundleWith({}, executable)).releaseDate, "July 4, 2025");
    EXPECT_EQ(Info(bundleWith({{"ReleaseDate", "$(RELEASE_DATE)"}}, executable)).releaseDate,
              "July 4, 2025");
    EXPECT_EQ(Info(bundleWith({}, nullopt, directory.path())).releaseDate.empty(), false)
        << "the bundle's own directory when there is no executable";
    EXPECT_EQ(Info(bundleWith({}, directory.path() + "/missing")).releaseDate, "n/a");
    EXPECT_EQ(Info(bundleWith({})).releaseDate, "n/a");
}

TEST(AppBuildMetadataDisplayInfoTest, TheMainBundleAlwaysGivesThreeTexts) {
    const Info shown(Bundle::main());
    EXPECT_FALSE(shown.version.empty());
    EXPECT_EQ(shown.version.front(), 'v');
    EXPECT_FALSE(shown.buildID.empty());
    EXPECT_FALSE(shown.releaseDate.empty());
}

} // namespace
} // namespace lumra
