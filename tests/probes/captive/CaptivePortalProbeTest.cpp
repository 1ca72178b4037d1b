#include "probes/captive/CaptivePortalProbe.h"

#include "concurrency/RunLoop.h"
#include "platform/http/CurlHttpClient.h"
#include "tests/platform/http/LocalHttpServer.h"

#include <cctype>
#include <cmath>
#include <fmt/format.h>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Reason = CaptivePortalDetectionReason;

std::string percentEncoded(const std::string& text) {
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~')
            encoded += static_cast<char>(c);
        else
            encoded += fmt::format("%{:02X}", c);
    }
    return encoded;
}

std::string answer(int status, const std::string& body, const std::string& location = "") {
    std::string path = "/answer?status=" + std::to_string(status) + "&body=" + percentEncoded(body);
    if (!location.empty())
        path += "&location=" + location;
    return path;
}

class CaptivePortalProbeTest : public ::testing::Test {
protected:
    CaptivePortalDetectionMeasurement check(const std::vector<std::string>& paths,
                                            double timeout = 2.0) {
        std::vector<CaptivePortalProbeEndpoint> endpoints;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string url = paths[i].starts_with("http") ? paths[i] : server.url(paths[i]);
            auto endpoint = CaptivePortalProbeEndpoint::make(url, i == 0 ? "Success" : "success");
            EXPECT_TRUE(endpoint) << url;
            if (endpoint)
                endpoints.push_back(std::move(*endpoint));
        }
        auto checker = std::make_shared<URLSessionCaptivePortalChecker>(
            std::make_shared<URLSessionCaptivePortalProbeFetcher>(
                std::make_shared<CurlHttpClient>()),
            endpoints);
        return loop.await(
            spawn(mainActor(), [checker, timeout] { return checker->check(timeout); }), 20s);
    }
    Url url(const std::string& path) const { return *Url::parse(server.url(path)); }

    RunLoop loop;
    test::LocalHttpServer server;
};

TEST_F(CaptivePortalProbeTest, ARedirectIsAPortalAndStopsTheList) {
    const std::string first = answer(302, "moved", "http://portal.test/login");
    EXPECT_EQ(check({first, answer(200, "success")}),
              (CaptivePortalDetectionMeasurement{true, Url::parse("http://portal.test/login"),
                                                 url(first), Reason::redirect, true}));
    // The server's event lines arrive on a reader thread: wait for the first.
    ASSERT_TRUE(server.waitFor("request", 1, 2s));
    EXPECT_EQ(server.count("request"), 1u) << "the second page was not asked";
}

TEST_F(CaptivePortalProbeTest, ARedirectWithoutOrWithARelativeLocation) {
    const std::string bare = answer(301, "");
    EXPECT_EQ(check({bare}), (CaptivePortalDetectionMeasurement{true, std::nullopt, url(bare),
                                                                Reason::redirect, true}));
    const std::string relative = answer(302, "", "/login");
    EXPECT_EQ(check({relative}).portalURL, Url::parse("/login")) << "kept as text, not resolved";
}

TEST_F(CaptivePortalProbeTest, GenuineAnswersInAnyCaseAskEveryPage) {
    EXPECT_EQ(
        check({answer(200, "SUCCESS"), answer(200, "xx success xx")}),
        (CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt, Reason::none, true}));
    EXPECT_TRUE(server.waitFor("request", 2, 2s));
}

TEST_F(CaptivePortalProbeTest, ReplacedContentIsAPortalAtThatPage) {
    const std::string login = answer(200, "<form>login</form>");
    EXPECT_EQ(check({answer(200, "Success"), login}),
              (CaptivePortalDetectionMeasurement{true, url(login), url(login),
                                                 Reason::contentInjection, true}));
    const std::string empty = answer(200, "");
    EXPECT_EQ(check({empty}).reason, Reason::contentInjection);
}

TEST_F(CaptivePortalProbeTest, ErrorsAndSilenceAreNotPortals) {
    EXPECT_EQ(
        check({answer(404, "no"), answer(404, "no")}),
        (CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt, Reason::none, true}));
    EXPECT_EQ(
        check({"/silent", answer(200, "success")}, 0.3),
        (CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt, Reason::none, true}))
        << "a page that times out is skipped";
    EXPECT_EQ(check({"http://127.0.0.1:1/hotspot-detect.html"}),
              (CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt, Reason::none,
                                                 false}));
}

TEST_F(CaptivePortalProbeTest, AnEmptyListMakesNoRequest) {
    EXPECT_EQ(check({}), (CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt,
                                                            Reason::none, false}));
    EXPECT_EQ(server.count("open"), 0u);
}

TEST(CaptivePortalProbeRequestTest, NoCacheNoRedirectsAndATenthOfASecondAtLeast) {
    for (const auto& [given, used] : std::vector<std::pair<double, double>>{
             {0, 0.1}, {0.05, 0.1}, {3.5, 3.5}, {std::nan(""), 0.1}}) {
        const HttpRequest request =
            URLSessionCaptivePortalProbeFetcher::probeRequest(*Url::parse("http://a.test/"), given);
        EXPECT_EQ(request.timeoutSeconds, used) << given;
        EXPECT_EQ(request.redirects, RedirectPolicy::block);
        EXPECT_EQ(request.headers.value("Cache-Control"), "no-cache");
        EXPECT_EQ(request.headers.value("Pragma"), "no-cache");
        EXPECT_EQ(request.method, HttpMethod::get);
        EXPECT_EQ(request.maxBodyBytes, 64u * 1024u);
        EXPECT_EQ(request.overallTimeoutSeconds, used) << given;
    }
    EXPECT_EQ(defaultCaptivePortalProbeEndpoints().size(), 2u);
    using FetcherError = CaptivePortalProbeFetcherError;
    EXPECT_EQ(FetcherError(FetcherError::Case::nonHTTPResponse),
              FetcherError(FetcherError::Case::nonHTTPResponse));
}

} // namespace
} // namespace lumra
