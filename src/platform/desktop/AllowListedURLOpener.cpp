#include "platform/desktop/AllowListedURLOpener.h"

#include "model/UnicodeText.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace lumra {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// No value for a malformed escape or an escaped NUL, which no path holds.
std::optional<std::string> percentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool isExistingFile(const Url& url) {
    if (url.host() && asciiLowercased(*url.host()) != "localhost")
        return false;
    const auto path = percentDecoded(url.path());
    if (!path || path->empty() || path->front() != '/')
        return false;
    std::error_code error;
    return std::filesystem::exists(*path, error);
}

} // namespace

bool isOpenableURL(const Url& url) {
    if (!url.scheme())
        return false;
    const std::string scheme = asciiLowercased(*url.scheme());
    if (scheme == "http" || scheme == "https")
        return url.host().has_value();
    if (scheme == "file")
        return isExistingFile(url);
    return false;
}

} // namespace lumra
