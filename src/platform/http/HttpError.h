// The transport failures of an HTTP request. An answer with any status code
// is a response, not an error; cancellation throws CancellationError.
#pragma once

#include <exception>
#include <ostream>
#include <string>

namespace lumra {

enum class HttpErrorKind {
    timedOut,      // no progress within the time-out, or connecting took too long
    cannotConnect, // refused, unreachable or unresolvable
    tooLarge,      // the body exceeded the request's cap
    other,         // TLS, protocol, unusable request, ...; see the message
};

class HttpError final : public std::exception {
public:
    HttpError(HttpErrorKind kind, std::string message);

    HttpErrorKind kind() const noexcept { return m_kind; }
    // libcurl's description, or ours for failures we detect ourselves.
    const std::string& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

    bool operator==(const HttpError& other) const noexcept {
        return m_kind == other.m_kind && m_message == other.m_message;
    }

private:
    HttpErrorKind m_kind;
    std::string m_message;
};

const char* describe(HttpErrorKind kind) noexcept;
std::ostream& operator<<(std::ostream& out, HttpErrorKind kind);

} // namespace lumra
