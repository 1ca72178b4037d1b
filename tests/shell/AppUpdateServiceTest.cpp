#include "shell/update/AppUpdateService.h"

#include "base/DiagnosticLog.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumra {
namespace {

using std::nullopt;

Bundle bundleWith(Bundle::InfoDictionary info) {
    return Bundle(std::move(info), nullopt, "/");
}

struct SourceCase {
    std::optional<std::string> environment;
    std::optional<std::string> infoKey;
    std::string expected;
};

TEST(AppUpdateServiceTest, TheEndpointComesFromTheEnvironmentThenTheTableThenTheDefault) {
    const std::string fallback = AppUpdateService::builtInUpdateEndpoint;
    const std::vector<SourceCase> cases = {
        {"https://env.example.test/v1/update", "https://info.example.test/v1/update",
         "https://env.example.test/v1/update"},
        {"  https://env.example.test/v1/update \n", nullopt, "https://env.example.test/v1/update"},
        {"HTTP://env.example.test:8080/u", nullopt, "HTTP://env.example.test:8080/u"},
        {"ftp://env.example.test/update", "https://info.example.test/v1/update",
         "https://info.example.test/v1/update"},
        {"not a url", "https://info.example.test/v1/update", "https://info.example.test/v1/update"},
        {"", "https://info.example.test/v1/update", "https://info.example.test/v1/update"},
        {"https://$(UPDATE_HOST)/v1", "https://info.example.test/v1/update",
         "https://info.example.test/v1/update"},
        {nullopt, "https://info.example.test/v1/update", "https://info.example.test/v1/update"},
        {nullopt, "https://info.example.test/$(UPDATE_PATH)", fallback},
        {nullopt, "", fallback},
        {nullopt, "   ", fallback},
        {nullopt, "mailto:updates@example.test", fallback},
        {nullopt, "info.example.test/v1/update", fallback},
        {"ftp://env.example.test/update", "ftp://info.example.test/update", fallback},
        {nullopt, nullopt, fallback},
    };
    for (const auto& c : cases) {
        ProcessInformation::Environment environment;
        if (c.environment)
            environment["LUMRA_UPDATE_API_URL"] = *c.environment;
        Bundle::InfoDictionary info;
        if (c.infoKey)
            info["UpdateAPIURL"] = *c.infoKey;
        EXPECT_EQ(AppUpdateService::resolveUpdateEndpointURL(ProcessInformation(environment),
                                                             bundleWith(info))
                      .absoluteString(),
                  c.expected)
            << c.environment.value_or("(none)") << " / " << c.infoKey.value_or("(none)");
    }
}

TEST(AppUpdateServiceTest, TheDownloadBaseFollowsTheSameOrderAndEndsWithASlash) {
    const std::vector<SourceCase> cases = {
        {"https://env.example.test/releases", "https://info.example.test/r/",
         "https://env.example.test/releases/"},
        {nullopt, "https://info.example.test/r/", "https://info.example.test/r/"},
        {nullopt, "https://info.example.test", "https://info.example.test/"},
        {nullopt, "https://info.example.test?channel=beta",
         "https://info.example.test/?channel=beta"},
        {"file:///releases", "$(DOWNLOADS)", "https://downloads.lumra.invalid/releases/"},
        {nullopt, nullopt, "https://downloads.lumra.invalid/releases/"},
    };
    for (const auto& c : cases) {
        ProcessInformation::Environment environment;
        if (c.environment)
            environment["LUMRA_UPDATE_DOWNLOAD_BASE_URL"] = *c.environment;
        Bundle::InfoDictionary info;
        if (c.infoKey)
            info["UpdateDownloadBaseURL"] = *c.infoKey;
        const auto base = AppUpdateService::resolveDownloadBaseURL(ProcessInformation(environment),
                                                                   bundleWith(info));
        ASSERT_TRUE(base);
        EXPECT_EQ(base->absoluteString(), c.expected) << c.infoKey.value_or("(none)");
    }
}

TEST(AppUpdateServiceTest, AnAddressPassedOverLeavesALineNamingItsSource) {
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(line); });
    const ProcessInformation process(
        ProcessInformation::Environment{{"LUMRA_UPDATE_API_URL", "ftp://env.example.test/u"}});
    EXPECT_EQ(AppUpdateService::resolveUpdateEndpointURL(
                  process, bundleWith({{"UpdateAPIURL", "info.example.test/u"}}))
                  .absoluteString(),
              AppUpdateService::builtInUpdateEndpoint);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "lumra: update: LUMRA_UPDATE_API_URL \"ftp://env.example.test/u\" is no "
                         "http(s) address: passed over",
                         "lumra: update: UpdateAPIURL \"info.example.test/u\" is no http(s) "
                         "address: passed over"}));
    lines.clear();
    AppUpdateService::resolveDownloadBaseURL(ProcessInformation({}), bundleWith({}));
    EXPECT_TRUE(lines.empty()) << "nothing given, nothing passed over";
}

TEST(AppUpdateServiceTest, TheEnvironmentNamesOnlyItsOwnAddress) {
    const ProcessInformation process(
        ProcessInformation::Environment{{"LUMRA_UPDATE_API_URL", "https://env.example.test/u"}});
    EXPECT_EQ(AppUpdateService::resolveDownloadBaseURL(process, bundleWith({}))->absoluteString(),
              "https://downloads.lumra.invalid/releases/");
    const ProcessInformation other(ProcessInformation::Environment{
        {"LUMRA_UPDATE_DOWNLOAD_BASE_URL", "https://env.example.test/d"}});
    EXPECT_EQ(AppUpdateService::resolveUpdateEndpointURL(other, bundleWith({})).absoluteString(),
              "https://updates.lumra.invalid/v1/update");
}

TEST(AppUpdateServiceTest, TheBuiltInHostsCannotResolve) {
    for (const char* text :
         {AppUpdateService::builtInUpdateEndpoint, AppUpdateService::builtInDownloadBase}) {
        const auto url = Url::parse(text);
        ASSERT_TRUE(url && url->host());
        EXPECT_EQ(*url->scheme(), "https");
        const std::string host = *url->host();
        EXPECT_EQ(host.substr(host.size() - 8), ".invalid") << "reserved, never resolves: " << host;
    }
    EXPECT_EQ(Url::parse(AppUpdateService::builtInUpdateEndpoint)->path(), "/v1/update");
    EXPECT_EQ(Url::parse(AppUpdateService::builtInDownloadBase)->path(), "/releases");
}

TEST(AppUpdateServiceTest, EnsuringATrailingSlashTouchesOnlyThePath) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"https://h/releases", "https://h/releases/"},
        {"https://h/releases/", "https://h/releases/"},
        {"https://h", "https://h/"},
        {"https://h/a%20b?x=1#top", "https://h/a%20b/?x=1#top"},
        {"https://user@h:8443/r", "https://user@h:8443/r/"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(AppUpdateService::ensuringTrailingSlash(*Url::parse(input)).absoluteString(),
                  expected);
    AppUpdateService service(*Url::parse("https://h/u"), Url::parse("https://h/releases"), 1,
                             nullptr);
    EXPECT_EQ(service.updateDownloadBaseURL()->path(), "/releases/");
}

TEST(AppUpdateServiceTest, TheBuildNumberIsAWholeDecimalNumberOrZero) {
    const std::vector<std::pair<std::optional<std::string>, std::int64_t>> cases = {
        {"57", 57},
        {"0", 0},
        {"+57", 57},
        {"-3", -3},
        {"007", 7},
        {"9223372036854775807", 9223372036854775807},
        {"9223372036854775808", 0},
        {"57 ", 0},
        {" 57", 0},
        {"1.0", 0},
        {"1.4.2", 0},
        {"5a", 0},
        {"+", 0},
        {"-", 0},
        {"+-5", 0},
        {"--5", 0},
        {"", 0},
        {nullopt, 0},
    };
    for (const auto& [text, expected] : cases) {
        Bundle::InfoDictionary info;
        if (text)
            info["CFBundleVersion"] = *text;
        EXPECT_EQ(AppUpdateService::readBuildNumber(bundleWith(info)), expected)
            << text.value_or("(missing)");
    }
}

struct DownloadCase {
    std::string downloadUrl;
    std::optional<std::string> withBase;
    std::optional<std::string> withoutBase;
};

TEST(AppUpdateServiceTest, DownloadAddressesResolveAgainstTheBaseOrFallBack) {
    const auto base = Url::parse("https://downloads.example.test/releases/");
    const std::vector<DownloadCase> cases = {
        {"https://mirror.example.test/x.dmg", "https://mirror.example.test/x.dmg",
         "https://mirror.example.test/x.dmg"},
        {"HTTPS://Mirror.example.test/x.dmg", "HTTPS://Mirror.example.test/x.dmg",
         "HTTPS://Mirror.example.test/x.dmg"},
        {"  http://mirror.example.test/x.dmg\n", "http://mirror.example.test/x.dmg",
         "http://mirror.example.test/x.dmg"},
        {"mailto:downloads@example.test", nullopt, nullopt},
        {"file:///Applications/Lumra.app", nullopt, nullopt},
        {"javascript:alert(1)", nullopt, nullopt},
        {"//elsewhere.example.test/a.dmg", nullopt, nullopt},
        {"builds/a.dmg", "https://downloads.example.test/releases/builds/a.dmg", nullopt},
        {"/a.dmg", "https://downloads.example.test/a.dmg", nullopt},
        {"../a.dmg", "https://downloads.example.test/a.dmg", nullopt},
        {"a.dmg?sig=1", "https://downloads.example.test/releases/a.dmg?sig=1", nullopt},
        {"a b.dmg", nullopt, nullopt},
        {"", "https://downloads.example.test/releases/lumra-2.1.0.dmg", nullopt},
        {" \t\n", "https://downloads.example.test/releases/lumra-2.1.0.dmg", nullopt},
        {"$(DOWNLOAD_URL)", "https://downloads.example.test/releases/lumra-2.1.0.dmg", nullopt},
        {"https://h/$(X)", "https://downloads.example.test/releases/lumra-2.1.0.dmg", nullopt},
    };
    for (const auto& c : cases) {
        const auto resolved = AppUpdateService::resolveDownloadURL(c.downloadUrl, "2.1.0", base);
        EXPECT_EQ(resolved ? std::optional(resolved->absoluteString()) : nullopt, c.withBase)
            << "with base: " << c.downloadUrl;
        const auto alone = AppUpdateService::resolveDownloadURL(c.downloadUrl, "2.1.0", nullopt);
        EXPECT_EQ(alone ? std::optional(alone->absoluteString()) : nullopt, c.withoutBase)
            << "without base: " << c.downloadUrl;
    }
}

TEST(AppUpdateServiceTest, TheFallbackKeepsTheVersionTextAsAPathComponent) {
    const auto base = Url::parse("https://downloads.example.test/releases/");
    EXPECT_EQ(AppUpdateService::resolveDownloadURL("", " 2.1 beta", base)->absoluteString(),
              "https://downloads.example.test/releases/lumra-%202.1%20beta.dmg");
    EXPECT_EQ(AppUpdateService::resolveDownloadURL("", "2.1?x#y", base)->path(),
              "/releases/lumra-2.1%3Fx%23y.dmg");
}

} // namespace
} // namespace lumra
