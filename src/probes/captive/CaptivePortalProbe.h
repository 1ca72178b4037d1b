// Captive-portal detection: well-known probe pages fetched without following
// redirects; a redirect or a page that lacks its expected text means a portal.
// Never throws. Runs in the calling task; the requests on the I/O thread.
#pragma once

#include "concurrency/Task.h"
#include "model/CaptivePortalDetectionReason.h"
#include "model/Url.h"
#include "platform/http/HttpClient.h"
#include "platform/http/HttpHeaders.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct CaptivePortalProbeEndpoint {
    Url url;
    std::string expectedSuccessSubstring;

    bool operator==(const CaptivePortalProbeEndpoint&) const = default;

    // No endpoint when the address does not parse.
    static std::optional<CaptivePortalProbeEndpoint> make(std::string_view urlString,
                                                          std::string expectedSuccessSubstring);
};

const std::vector<CaptivePortalProbeEndpoint>& defaultCaptivePortalProbeEndpoints();

struct CaptivePortalDetectionMeasurement {
    bool isCaptivePortal;
    std::optional<Url> portalURL;
    std::optional<Url> probeURL;
    CaptivePortalDetectionReason reason;
    bool didSucceed;

    bool operator==(const CaptivePortalDetectionMeasurement&) const = default;
};

class CaptivePortalProbeFetcherError final : public std::exception {
public:
    enum class Case { nonHTTPResponse };
    explicit CaptivePortalProbeFetcherError(Case c) : m_case(c) {}
    Case errorCase() const noexcept { return m_case; }
    const char* what() const noexcept override { return "nonHTTPResponse"; }
    // By case; a defaulted comparison would be deleted (std::exception has none).
    bool operator==(const CaptivePortalProbeFetcherError& other) const noexcept {
        return m_case == other.m_case;
    }

private:
    Case m_case;
};

struct CaptivePortalProbeAnswer {
    std::vector<std::uint8_t> body;
    int statusCode;
    HttpHeaders headers;
};

class CaptivePortalProbeFetching {
public:
    virtual ~CaptivePortalProbeFetching() = default;
    virtual Task<CaptivePortalProbeAnswer> fetch(Url url, double timeout) = 0;
};

// GET without cache and without following redirects: a 3xx is the answer.
class URLSessionCaptivePortalProbeFetcher final : public CaptivePortalProbeFetching {
public:
    explicit URLSessionCaptivePortalProbeFetcher(std::shared_ptr<HttpClient> session)
        : m_session(std::move(session)) {}
    Task<CaptivePortalProbeAnswer> fetch(Url url, double timeout) override;

    // The largest probe answer body read; a longer one fails the fetch.
    static constexpr std::size_t maxProbeBodyBytes = 64 * 1024;

    // Time-outs of 0.1 s or less count as 0.1 s. The time-out bounds both
    // silence and the whole request.
    static HttpRequest probeRequest(Url url, double timeout);

private:
    std::shared_ptr<HttpClient> m_session;
};

class CaptivePortalChecking {
public:
    virtual ~CaptivePortalChecking() = default;
    virtual Task<CaptivePortalDetectionMeasurement> check(double timeout) = 0;
};

class URLSessionCaptivePortalChecker final : public CaptivePortalChecking {
public:
    URLSessionCaptivePortalChecker(std::shared_ptr<CaptivePortalProbeFetching> probeFetcher,
                                   std::vector<CaptivePortalProbeEndpoint> probeEndpoints)
        : m_probeFetcher(std::move(probeFetcher)), m_probeEndpoints(std::move(probeEndpoints)) {}

    Task<CaptivePortalDetectionMeasurement> check(double timeout) override;

private:
    std::shared_ptr<CaptivePortalProbeFetching> m_probeFetcher;
    std::vector<CaptivePortalProbeEndpoint> m_probeEndpoints;
};

} // namespace lumra
