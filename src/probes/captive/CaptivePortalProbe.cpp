#include "probes/captive/CaptivePortalProbe.h"

#include "base/DiagnosticLog.h"
#include "model/UnicodeText.h"
#include "probes/parsers/ToolOutputText.h"

namespace lumra {

std::optional<CaptivePortalProbeEndpoint>
CaptivePortalProbeEndpoint::make(std::string_view urlString, std::string expectedSuccessSubstring) {
    auto url = Url::parse(urlString);
    if (!url)
        return std::nullopt;
    return CaptivePortalProbeEndpoint{std::move(*url), std::move(expectedSuccessSubstring)};
}

const std::vector<CaptivePortalProbeEndpoint>& defaultCaptivePortalProbeEndpoints() {
    static const std::vector<CaptivePortalProbeEndpoint> endpoints = [] {
        std::vector<CaptivePortalProbeEndpoint> list;
        for (auto endpoint : {CaptivePortalProbeEndpoint::make(
                                  "http://captive.apple.com/hotspot-detect.html", "Success"),
                              CaptivePortalProbeEndpoint::make(
                                  "https://detectportal.firefox.com/success.txt", "success")}) {
            if (endpoint)
                list.push_back(std::move(*endpoint));
        }
        return list;
    }();
    return endpoints;
}

HttpRequest URLSessionCaptivePortalProbeFetcher::probeRequest(Url url, double timeout) {
    const double limit = timeout > 0.1 ? timeout : 0.1; // NaN too
    // A probe page is a few bytes of text: a longer body, or one paced to
    // outlast the time-out, is a failed fetch, never unbounded memory or a
    // poll that never ends.
    return HttpRequest{HttpMethod::get,
                       std::move(url),
                       HttpHeaders{{"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}},
                       HttpBody{},
                       limit,
                       std::nullopt,
                       RedirectPolicy::block,
                       maxProbeBodyBytes,
                       limit};
}

Task<CaptivePortalProbeAnswer> URLSessionCaptivePortalProbeFetcher::fetch(Url url, double timeout) {
    HttpRequest request = probeRequest(std::move(url), timeout);
    HttpResponse response = co_await m_session->send(std::move(request));
    co_return CaptivePortalProbeAnswer{std::move(response.body), response.statusCode,
                                       std::move(response.headers)};
}

namespace {

// UTF-8, else ASCII, else nothing.
std::string bodyText(const std::vector<std::uint8_t>& body) {
    const std::string bytes(body.begin(), body.end());
    if (isValidUtf8(bytes))
        return bytes;
    return std::string();
}

bool containsIgnoringCase(const std::string& text, const std::string& expected) {
    return lowercasedForASCIIComparison(text).find(lowercasedForASCIIComparison(expected)) !=
           std::string::npos;
}

} // namespace

Task<CaptivePortalDetectionMeasurement> URLSessionCaptivePortalChecker::check(double timeout) {
    bool answered = false;
    for (const CaptivePortalProbeEndpoint& endpoint : m_probeEndpoints) {
        std::optional<CaptivePortalProbeAnswer> answer;
        try {
            answer = co_await m_probeFetcher->fetch(endpoint.url, timeout);
        } catch (...) {
            LUMRA_LOG_CAUGHT("captive", endpoint.url.absoluteString() + " did not answer");
            continue; // unreachable, timed out, cancelled: the next page decides
        }
        if (answer->statusCode >= 300 && answer->statusCode <= 399) {
            std::optional<Url> portal;
            if (auto location = answer->headers.value("Location"))
                portal = Url::parse(*location);
            co_return CaptivePortalDetectionMeasurement{
                true, portal, endpoint.url, CaptivePortalDetectionReason::redirect, true};
        }
        if (answer->statusCode == 200 &&
            !containsIgnoringCase(bodyText(answer->body), endpoint.expectedSuccessSubstring)) {
            co_return CaptivePortalDetectionMeasurement{
                true, endpoint.url, endpoint.url, CaptivePortalDetectionReason::contentInjection,
                true};
        }
        answered = true;
    }
    co_return CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt,
                                                CaptivePortalDetectionReason::none, answered};
}

} // namespace lumra
