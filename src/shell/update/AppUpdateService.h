// Asks the update service whether a build newer than the running one exists
// and, when one does, where to download it. One GET per check, no state
// between checks: every failure (transport, status, a body over 1 MiB, an
// answer slower than the time limit, JSON, an unusable download address) is
// checkFailed. The record's texts arrive without control characters, the
// release notes bounded. Redirects are followed to
// http and https only, TLS is verified. The fields never change, so any
// thread may use it; checks run in the calling task.
#pragma once

#include "model/Url.h"
#include "platform/bundle/Bundle.h"
#include "platform/bundle/ProcessInformation.h"
#include "platform/http/HttpClient.h"
#include "shell/update/UpdateCheckResult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

class AppUpdateService {
public:
    // No update service is operated yet: the built-in hosts are under the
    // reserved .invalid domain, which never resolves.
    static constexpr const char* builtInUpdateEndpoint = "https://updates.lumra.invalid/v1/update";
    static constexpr const char* builtInDownloadBase = "https://downloads.lumra.invalid/releases";
    static constexpr double requestTimeoutSeconds = 10.0;
    // However steadily a server drips its answer, the check ends by then.
    static constexpr double defaultCheckTimeLimitSeconds = 30.0;
    static constexpr std::size_t maxAnswerBytes = 1024 * 1024;
    // A longer version names no real build: the record is refused.
    static constexpr std::size_t maxVersionBytes = 256;
    // Longer release notes are cut there, at a character boundary.
    static constexpr std::size_t maxReleaseNotesBytes = 16 * 1024;

    // The download base is stored with a trailing slash.
    AppUpdateService(Url updateEndpointURL, std::optional<Url> updateDownloadBaseURL,
                     std::int64_t currentBuildNumber, std::shared_ptr<HttpClient> session,
                     double checkTimeLimitSeconds = defaultCheckTimeLimitSeconds);

    // Never throws: a cancelled check is checkFailed too.
    Task<UpdateCheckResult> checkForUpdate() const;

    // Where the record's download address leads: an absolute http(s)
    // address as it is, a relative reference against the download base, and
    // for a blank one "lumra-<version>.dmg" in the base, the version escaped
    // as part of that one path segment. Absent for other
    // schemes, scheme-relative references and anything needing a missing base.
    std::optional<Url> resolveDownloadURL(std::string downloadUrl, std::string version) const;
    static std::optional<Url> resolveDownloadURL(std::string_view downloadUrl,
                                                 std::string_view version,
                                                 const std::optional<Url>& downloadBase);

    // The environment variable, then the information key, then the built-in
    // default; a value that is no http(s) address falls through silently.
    static Url resolveUpdateEndpointURL(const ProcessInformation& process, const Bundle& bundle);
    static std::optional<Url> resolveDownloadBaseURL(const ProcessInformation& process,
                                                     const Bundle& bundle);
    // CFBundleVersion as a whole decimal number, else 0.
    static std::int64_t readBuildNumber(const Bundle& bundle);

    // Trimmed text that parses as an http or https address (scheme in any case).
    static std::optional<Url> validatedHTTPURL(std::string_view text);
    static Url ensuringTrailingSlash(Url url);

    const Url& updateEndpointURL() const noexcept { return m_updateEndpointURL; }
    const std::optional<Url>& updateDownloadBaseURL() const noexcept {
        return m_updateDownloadBaseURL;
    }
    std::int64_t currentBuildNumber() const noexcept { return m_currentBuildNumber; }
    const std::shared_ptr<HttpClient>& session() const noexcept { return m_session; }

private:
    static Task<UpdateCheckResult> performCheck(Url endpoint, std::optional<Url> downloadBase,
                                                std::int64_t currentBuildNumber,
                                                std::shared_ptr<HttpClient> session,
                                                double checkTimeLimitSeconds);

    Url m_updateEndpointURL;
    std::optional<Url> m_updateDownloadBaseURL;
    std::int64_t m_currentBuildNumber;
    std::shared_ptr<HttpClient> m_session;
    double m_checkTimeLimitSeconds;
};

} // namespace lumra
