#include "platform/http/HttpError.h"

#include <utility>

namespace lumra {

HttpError::HttpError(HttpErrorKind kind, std::string message)
    : m_kind(kind), m_message(std::move(message)) {}

const char* describe(HttpErrorKind kind) noexcept {
    switch (kind) {
    case HttpErrorKind::timedOut:
        return "timedOut";
    case HttpErrorKind::cannotConnect:
        return "cannotConnect";
    case HttpErrorKind::tooLarge:
        return "tooLarge";
    case HttpErrorKind::other:
        return "other";
    }
    return "other";
}

std::ostream& operator<<(std::ostream& out, HttpErrorKind kind) {
    return out << describe(kind);
}

} // namespace lumra
