#include "ScriptedHttpServer.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "platform/http/CurlHttpClient.h"
#include "shell/update/AppUpdateController.h"
#include "shell/update/AppUpdateService.h"
#include "tests/platform/http/LocalHttpServer.h"
#include "tests/support/ClosedPort.h"

#include <arpa/inet.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Answer = test::ScriptedHttpServer::Answer;

std::string record(std::int64_t buildNumber, const std::string& downloadUrl = "builds/a.dmg") {
    return AvailableUpdate{"2.1.0",     buildNumber,  "2026-12-10",
                           downloadUrl, std::nullopt, std::nullopt}
        .encode();
}

class AppUpdateServiceHttpTest : public ::testing::Test {
protected:
    std::shared_ptr<AppUpdateService> serviceAt(const std::string& path, std::int64_t build = 120) {
        return std::make_shared<AppUpdateService>(
            *Url::parse(server.url(path)), Url::parse("https://downloads.example.test/releases"),
            build, client);
    }

    UpdateCheckResult check(const std::shared_ptr<AppUpdateService>& service) {
        return loop.await(spawn(mainActor(), [service] { return service->checkForUpdate(); }), 30s);
    }

    UpdateCheckResult checkAnswer(Answer answer, std::int64_t build = 120) {
        server.answer("/v1/update", std::move(answer));
        return check(serviceAt("/v1/update", build));
    }

    RunLoop loop;
    test::ScriptedHttpServer server;
    std::shared_ptr<HttpClient> client = std::make_shared<CurlHttpClient>();
};

TEST_F(AppUpdateServiceHttpTest, ANewerBuildIsAnUpdateWithItsAbsoluteDownloadAddress) {
    const auto result = checkAnswer(Answer{200, record(121)});
    ASSERT_EQ(result.kind, UpdateCheckResult::Case::updateAvailable);
    EXPECT_EQ(*result.update,
              (AvailableUpdate{"2.1.0", 121, "2026-12-10",
                               "https://downloads.example.test/releases/builds/a.dmg", std::nullopt,
                               std::nullopt}));
}

TEST_F(AppUpdateServiceHttpTest, OnlyTheBuildNumberDecides) {
    const std::vector<std::pair<std::int64_t, UpdateCheckResult::Case>> cases = {
        {121, UpdateCheckResult::Case::updateAvailable},
        {120, UpdateCheckResult::Case::upToDate},
        {119, UpdateCheckResult::Case::upToDate},
        {-1, UpdateCheckResult::Case::upToDate},
    };
    for (const auto& [published, expected] : cases)
        EXPECT_EQ(checkAnswer(Answer{200, record(published)}).kind, expected) << published;
    // A build whose CFBundleVersion was no whole number runs as 0: every build is newer.
    EXPECT_EQ(checkAnswer(Answer{200, record(1)}, /*build=*/0).kind,
              UpdateCheckResult::Case::updateAvailable);
}

TEST_F(AppUpdateServiceHttpTest, AsksForJsonWithAPlainGet) {
    checkAnswer(Answer{200, record(121)});
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].target, "/v1/update");
    EXPECT_EQ(seen[0].headers.at("accept"), "application/json");
    EXPECT_EQ(seen[0].headers.count("content-length"), 0u);
    EXPECT_EQ(seen[0].headers.count("expect"), 0u);
}

TEST_F(AppUpdateServiceHttpTest, EveryDownloadAddressFormResolvesOrFails) {
    struct Case {
        std::string downloadUrl;
        std::optional<std::string> resolved;
    };
    const std::vector<Case> cases = {
        {"https://mirror.example.test/x.dmg", "https://mirror.example.test/x.dmg"},
        {"HTTPS://mirror.example.test/x.dmg", "HTTPS://mirror.example.test/x.dmg"},
        {"mailto:downloads@example.test", std::nullopt},
        {"file:///tmp/x.dmg", std::nullopt},
        {"//elsewhere.example.test/x.dmg", std::nullopt},
        {"builds/a.dmg", "https://downloads.example.test/releases/builds/a.dmg"},
        {"/a.dmg", "https://downloads.example.test/a.dmg"},
        {"", "https://downloads.example.test/releases/lumra-2.1.0.dmg"},
        {"   ", "https://downloads.example.test/releases/lumra-2.1.0.dmg"},
    };
    for (const auto& c : cases) {
        const auto result = checkAnswer(Answer{200, record(121, c.downloadUrl)});
        if (!c.resolved) {
            EXPECT_EQ(result.kind, UpdateCheckResult::Case::checkFailed) << c.downloadUrl;
            continue;
        }
        ASSERT_EQ(result.kind, UpdateCheckResult::Case::updateAvailable) << c.downloadUrl;
        EXPECT_EQ(result.update->downloadUrl, *c.resolved);
    }
    server.answer("/v1/update", Answer{200, record(121, "")});
    auto withoutBase = std::make_shared<AppUpdateService>(*Url::parse(server.url("/v1/update")),
                                                          std::nullopt, 120, client);
    EXPECT_EQ(check(withoutBase).kind, UpdateCheckResult::Case::checkFailed);
}

TEST_F(AppUpdateServiceHttpTest, ErrorStatusesAndUnusableBodiesFail) {
    const std::vector<Answer> answers = {
        Answer{404, record(121)},
        Answer{500, record(121)},
        Answer{204, ""},
        Answer{304, record(121)},
        Answer{200, "[" + record(121) + "]"},
        Answer{200,
               R"({"version":"2.1.0","buildNumber":"121","releaseDate":"d","downloadUrl":""})"},
        Answer{200, R"({"version":"2.1.0","buildNumber":121,"releaseDate":"d"})"},
        Answer{200, "<html>maintenance</html>"},
        Answer{200, ""},
    };
    for (const auto& answer : answers)
        EXPECT_EQ(checkAnswer(answer).kind, UpdateCheckResult::Case::checkFailed)
            << answer.status << " " << answer.body;
}

TEST_F(AppUpdateServiceHttpTest, MissingOptionalKeysDecodeAsAbsent) {
    const auto result = checkAnswer(
        Answer{200, R"({"version":"2.1.0","buildNumber":121,"releaseDate":"soon","downloadUrl":"",)"
                    R"("releaseNotes":null,"extra":{"nested":true}})"});
    ASSERT_EQ(result.kind, UpdateCheckResult::Case::updateAvailable);
    EXPECT_EQ(result.update->releaseDate, "soon");
    EXPECT_EQ(result.update->releaseNotes, std::nullopt);
    EXPECT_EQ(result.update->minimumSystemVersion, std::nullopt);
}

TEST_F(AppUpdateServiceHttpTest, RedirectsAreFollowedToWebAddressesOnly) {
    server.answer("/moved", Answer{200, record(121)});
    EXPECT_EQ(checkAnswer(Answer{302, "", {{"Location", server.url("/moved")}}}).kind,
              UpdateCheckResult::Case::updateAvailable);
    EXPECT_EQ(checkAnswer(Answer{302, "", {{"Location", "ftp://127.0.0.1:9/update"}}}).kind,
              UpdateCheckResult::Case::checkFailed);
    EXPECT_EQ(checkAnswer(Answer{302, "", {{"Location", "file:///etc/hostname"}}}).kind,
              UpdateCheckResult::Case::checkFailed);
}

TEST_F(AppUpdateServiceHttpTest, AnAnswerOverOneMebibyteFails) {
    const std::string json = record(121);
    const std::size_t cap = AppUpdateService::maxAnswerBytes;
    ASSERT_EQ(cap, 1024u * 1024u);
    const std::string atCap = json + std::string(cap - json.size(), ' ');
    EXPECT_EQ(checkAnswer(Answer{200, atCap}).kind, UpdateCheckResult::Case::updateAvailable);
    EXPECT_EQ(checkAnswer(Answer{200, atCap + " "}).kind, UpdateCheckResult::Case::checkFailed);
}

TEST_F(AppUpdateServiceHttpTest, NoServerListeningFails) {
    const std::string endpoint =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/u";
    auto service =
        std::make_shared<AppUpdateService>(*Url::parse(endpoint), std::nullopt, 1, client);
    EXPECT_EQ(check(service).kind, UpdateCheckResult::Case::checkFailed);
}

TEST_F(AppUpdateServiceHttpTest, CancellingAStalledCheckFailsItAtOnce) {
    server.answer("/v1/update", Answer{200, "{\"version\":", {}, /*stall=*/true});
    auto service = serviceAt("/v1/update");
    auto handle = spawn(mainActor(), [service] { return service->checkForUpdate(); });
    ASSERT_TRUE(loop.runUntil([&] { return !server.requests().empty(); }, 10s));
    EXPECT_FALSE(handle.isFinished()) << "the server is still sending";
    const auto cancelled = std::chrono::steady_clock::now();
    handle.cancel();
    const auto result = loop.await(handle, 10s);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 1s);
    EXPECT_EQ(result.kind, UpdateCheckResult::Case::checkFailed);
}

// A server that drips its answer never trips the no-progress time-out; the
// check's own limit ends it, so the spinner stops and the next scheduled
// check can run.
TEST_F(AppUpdateServiceHttpTest, ADrippingServerFailsTheCheckWithinItsTimeLimit) {
    test::LocalHttpServer dripping;
    auto service = std::make_shared<AppUpdateService>(
        *Url::parse(dripping.url("/trickle?bytes=100000&interval_ms=100")), std::nullopt, 120,
        client, /*checkTimeLimitSeconds=*/1.5);
    const auto began = std::chrono::steady_clock::now();
    auto handle = spawn(mainActor(), [service] { return service->checkForUpdate(); });
    const bool ended = loop.runUntil([&] { return handle.isFinished(); }, 20s);
    const auto took = std::chrono::steady_clock::now() - began;
    std::printf("figure: update check against a dripping server: %s after %lld ms\n",
                ended ? "ended" : "still running",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    ASSERT_TRUE(ended);
    EXPECT_EQ(handle.get().kind, UpdateCheckResult::Case::checkFailed);
    EXPECT_LT(took, 1500ms + 1s);
    handle.cancel();
}

// The record's texts reach titles, notifications and the download path.
TEST_F(AppUpdateServiceHttpTest, HostileRecordTextsAreEscapedStrippedAndBounded) {
    struct Case {
        std::string name;
        std::string version;
        std::optional<std::string> releaseNotes;
        // Absent: the check fails.
        std::optional<std::string> expectedVersion;
        std::optional<std::string> expectedNotes;
        std::optional<std::string> expectedDownload;
    };
    const std::string base = "https://downloads.example.test/releases/";
    const std::vector<Case> cases{
        {"a version that climbs", "../../../../evil/payload", std::nullopt,
         "../../../../evil/payload", std::nullopt,
         base + "lumra-..%2F..%2F..%2F..%2Fevil%2Fpayload.dmg"},
        {"control characters", "2.1.0\x1b[31m\r\n\x7f\u0085!", "one\nt\two\r\x07", "2.1.0[31m!",
         "one\nt\two", base + "lumra-2.1.0%5B31m%21.dmg"},
        {"notes of a megabyte without a space", "2.1.0", std::string(1'000'000, 'x'), "2.1.0",
         std::string(AppUpdateService::maxReleaseNotesBytes, 'x'), base + "lumra-2.1.0.dmg"},
        {"notes cut inside a character", "2.1.0",
         std::string(AppUpdateService::maxReleaseNotesBytes - 1, 'x') + "\u00e9", "2.1.0",
         std::string(AppUpdateService::maxReleaseNotesBytes - 1, 'x'), base + "lumra-2.1.0.dmg"},
        {"a version of 900 kB", std::string(900'000, '9'), std::nullopt, std::nullopt, std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json =
            AvailableUpdate{c.version, 121, "2026-12-10", "", c.releaseNotes, std::nullopt}
                .encode();
        const auto result = checkAnswer(Answer{200, json});
        if (!c.expectedVersion) {
            EXPECT_EQ(result.kind, UpdateCheckResult::Case::checkFailed);
            continue;
        }
        ASSERT_EQ(result.kind, UpdateCheckResult::Case::updateAvailable);
        EXPECT_EQ(result.update->version, *c.expectedVersion);
        EXPECT_EQ(result.update->releaseNotes, c.expectedNotes);
        EXPECT_EQ(result.update->downloadUrl, *c.expectedDownload);
        const auto download = Url::parse(result.update->downloadUrl);
        ASSERT_TRUE(download);
        EXPECT_TRUE(download->path().starts_with("/releases/lumra-")) << download->path();
        EXPECT_EQ(download->path().find('/', 10), std::string::npos) << "one segment";
    }
}

TEST(AppUpdateNotificationTest, TheNotificationCarriesNoControlCharacters) {
    const AvailableUpdate update{"2.1\x1b]0;title\x07\n", 121,          "d",
                                 "https://x.test/a.dmg",  std::nullopt, std::nullopt};
    EXPECT_EQ(AppUpdateController::notificationRequest(update).body,
              "Lumra 2.1]0;title is now available. Click to download.");
}

} // namespace
} // namespace lumra
