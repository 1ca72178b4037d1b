#include "shell/update/AppUpdateService.h"

#include "base/DiagnosticLog.h"
#include "model/PercentEscape.h"
#include "model/UnicodeText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fmt/format.h>

namespace lumra {

namespace {

bool isWebScheme(const Url& url) {
    if (!url.scheme())
        return false;
    const std::string scheme = asciiLowercased(*url.scheme());
    return scheme == "http" || scheme == "https";
}

bool holdsPlaceholder(std::string_view text) {
    return text.find("$(") != std::string_view::npos;
}

// A value given that is no web address is passed over, with a line saying so.
std::optional<Url> webAddressIn(const char* source, const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    auto url = AppUpdateService::validatedHTTPURL(*value);
    if (!url)
        LUMRA_LOG("update",
                  fmt::format("{} \"{}\" is no http(s) address: passed over", source, *value));
    return url;
}

std::optional<Url> configuredURL(const ProcessInformation& process, const Bundle& bundle,
                                 const char* variable, const char* key, const char* fallback) {
    if (auto url = webAddressIn(variable, process.environmentValue(variable)))
        return url;
    if (auto url = webAddressIn(key, bundle.infoValue(key)))
        return url;
    return Url::parse(fallback);
}

bool isSuccessStatus(int status) {
    return status >= 200 && status <= 299;
}

// Every byte but the unreserved characters percent-escaped, "/" included.
std::string escapedPathSegment(std::string_view text) {
    return percentEscaped(text, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_' || c == '~';
    });
}

// The record's texts go to titles, the popover and notifications.
void fitForDisplay(AvailableUpdate& update) {
    update.version = withoutControlCharacters(update.version, LineBreaks::drop);
    update.releaseDate = withoutControlCharacters(update.releaseDate, LineBreaks::drop);
    if (update.releaseNotes) {
        const std::string notes = withoutControlCharacters(*update.releaseNotes, LineBreaks::keep);
        update.releaseNotes =
            std::string(utf8Prefix(notes, AppUpdateService::maxReleaseNotesBytes));
    }
    if (update.minimumSystemVersion)
        update.minimumSystemVersion =
            withoutControlCharacters(*update.minimumSystemVersion, LineBreaks::drop);
}

} // namespace

AppUpdateService::AppUpdateService(Url updateEndpointURL, std::optional<Url> updateDownloadBaseURL,
                                   std::int64_t currentBuildNumber,
                                   std::shared_ptr<HttpClient> session,
                                   double checkTimeLimitSeconds)
    : m_updateEndpointURL(std::move(updateEndpointURL)), m_currentBuildNumber(currentBuildNumber),
      m_session(std::move(session)), m_checkTimeLimitSeconds(checkTimeLimitSeconds) {
    if (updateDownloadBaseURL)
        m_updateDownloadBaseURL = ensuringTrailingSlash(std::move(*updateDownloadBaseURL));
}

Task<UpdateCheckResult> AppUpdateService::checkForUpdate() const {
    // The check's frame owns copies, so it does not depend on this object.
    return performCheck(m_updateEndpointURL, m_updateDownloadBaseURL, m_currentBuildNumber,
                        m_session, m_checkTimeLimitSeconds);
}

Task<UpdateCheckResult> AppUpdateService::performCheck(Url endpoint,
                                                       std::optional<Url> downloadBase,
                                                       std::int64_t currentBuildNumber,
                                                       std::shared_ptr<HttpClient> session,
                                                       double checkTimeLimitSeconds) {
    HttpRequest request{.method = HttpMethod::get, .url = std::move(endpoint)};
    request.headers.set("Accept", "application/json");
    request.timeoutSeconds = requestTimeoutSeconds;
    request.overallTimeoutSeconds = checkTimeLimitSeconds;
    request.redirects = RedirectPolicy::follow;
    request.maxBodyBytes = maxAnswerBytes;
    std::optional<HttpResponse> response;
    try {
        response = co_await session->send(std::move(request));
    } catch (...) {
        // Transport, size cap, cancellation.
        LUMRA_LOG_CAUGHT("update", "the update check failed");
        co_return UpdateCheckResult::checkFailed();
    }
    if (!isSuccessStatus(response->statusCode))
        co_return UpdateCheckResult::checkFailed();
    const std::string_view body(reinterpret_cast<const char*>(response->body.data()),
                                response->body.size());
    auto update = AvailableUpdate::decode(body);
    if (!update)
        co_return UpdateCheckResult::checkFailed();
    if (update->version.size() > maxVersionBytes) {
        LUMRA_LOG("update", fmt::format("refused a version of {} bytes", update->version.size()));
        co_return UpdateCheckResult::checkFailed();
    }
    fitForDisplay(*update);
    if (currentBuildNumber >= update->buildNumber)
        co_return UpdateCheckResult::upToDate();
    const auto download = resolveDownloadURL(update->downloadUrl, update->version, downloadBase);
    if (!download)
        co_return UpdateCheckResult::checkFailed();
    update->downloadUrl = download->absoluteString();
    co_return UpdateCheckResult::updateAvailable(std::move(*update));
}

std::optional<Url> AppUpdateService::resolveDownloadURL(std::string downloadUrl,
                                                        std::string version) const {
    return resolveDownloadURL(downloadUrl, version, m_updateDownloadBaseURL);
}

std::optional<Url> AppUpdateService::resolveDownloadURL(std::string_view downloadUrl,
                                                        std::string_view version,
                                                        const std::optional<Url>& downloadBase) {
    const std::string trimmed = trimmedWhitespaceAndNewlines(downloadUrl);
    if (trimmed.empty() || holdsPlaceholder(trimmed)) {
        if (!downloadBase)
            return std::nullopt;
        // One segment: a "/" in the version must not climb out of the base.
        std::string path = downloadBase->path();
        if (!path.ends_with('/'))
            path += '/';
        return downloadBase->replacingPath(
            path + escapedPathSegment("lumra-" + std::string(version)) + ".dmg");
    }
    if (const auto parsed = Url::parse(trimmed)) {
        if (parsed->scheme())
            return isWebScheme(*parsed) ? parsed : std::nullopt;
        // "//host/path" would leave the download area for another host.
        if (parsed->host())
            return std::nullopt;
    }
    if (!downloadBase)
        return std::nullopt;
    return Url::parse(trimmed, *downloadBase);
}

Url AppUpdateService::resolveUpdateEndpointURL(const ProcessInformation& process,
                                               const Bundle& bundle) {
    auto url = configuredURL(process, bundle, "LUMRA_UPDATE_API_URL", "UpdateAPIURL",
                             builtInUpdateEndpoint);
    return std::move(*url); // the built-in default always parses
}

std::optional<Url> AppUpdateService::resolveDownloadBaseURL(const ProcessInformation& process,
                                                            const Bundle& bundle) {
    auto url = configuredURL(process, bundle, "LUMRA_UPDATE_DOWNLOAD_BASE_URL",
                             "UpdateDownloadBaseURL", builtInDownloadBase);
    if (!url)
        return std::nullopt;
    return ensuringTrailingSlash(std::move(*url));
}

std::int64_t AppUpdateService::readBuildNumber(const Bundle& bundle) {
    const auto text = bundle.infoValue("CFBundleVersion");
    if (!text || text->empty())
        return 0;
    // from_chars takes a minus sign but no plus sign.
    std::string_view number = *text;
    std::string_view magnitude = number;
    if (number.front() == '+') {
        number.remove_prefix(1);
        magnitude = number;
    } else if (number.front() == '-') {
        magnitude = number.substr(1);
    }
    const bool onlyDigits =
        !magnitude.empty() && std::all_of(magnitude.begin(), magnitude.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
    if (!onlyDigits)
        return 0;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        return 0;
    return value;
}

std::optional<Url> AppUpdateService::validatedHTTPURL(std::string_view text) {
    const std::string trimmed = trimmedWhitespaceAndNewlines(text);
    if (trimmed.empty() || holdsPlaceholder(trimmed))
        return std::nullopt;
    auto url = Url::parse(trimmed);
    if (!url || !isWebScheme(*url))
        return std::nullopt;
    return url;
}

Url AppUpdateService::ensuringTrailingSlash(Url url) {
    const std::string& path = url.path();
    if (!path.empty() && path.back() == '/')
        return url;
    if (auto rebuilt = url.replacingPath(path + "/"))
        return std::move(*rebuilt);
    return url;
}

} // namespace lumra
