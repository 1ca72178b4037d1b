// Parsing, resolution and path editing of Url, after the RFC 3986 grammar.
#include "model/Url.h"

#include "model/PercentEscape.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstdint>

namespace lumra {
namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isUnreserved(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelimiter(char c) {
    return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}
bool isGeneralDelimiter(char c) {
    return std::string_view(":/?#[]@").find(c) != std::string_view::npos;
}
bool isPathCharacter(char c) {
    return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@';
}

bool containsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

// Every byte is one a URI may hold, and each "%" starts a complete escape.
bool hasOnlyUriCharacters(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) {
                return false;
            }
            if (!isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])) {
                return false;
            }
            i += 2;
            continue;
        }
        if (!isUnreserved(c) && !isSubDelimiter(c) && !isGeneralDelimiter(c)) {
            return false;
        }
    }
    return true;
}

bool isScheme(std::string_view text) {
    if (text.empty() || !isAlpha(text.front())) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
    });
}

bool isDecimalOctet(std::string_view text) {
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), isDigit)) {
        return false;
    }
    if (text.size() > 1 && text.front() == '0') {
        return false;
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value <= 255;
}

bool isIPv4Address(std::string_view text) {
    for (int octet = 0; octet < 4; ++octet) {
        const std::size_t dot = text.find('.');
        const bool isLast = octet == 3;
        if (isLast != (dot == std::string_view::npos)) {
            return false;
        }
        if (!isDecimalOctet(text.substr(0, dot))) {
            return false;
        }
        text = isLast ? std::string_view() : text.substr(dot + 1);
    }
    return true;
}

// Counts the 16-bit groups of a run of ":"-separated pieces, the last of
// which may be a dotted IPv4 address when allowIPv4 is set; -1 when malformed.
int countIPv6Groups(std::string_view text, bool allowIPv4) {
    if (text.empty()) {
        return 0;
    }
    int groups = 0;
    while (true) {
        const std::size_t colon = text.find(':');
        const std::string_view piece = text.substr(0, colon);
        if (colon == std::string_view::npos && allowIPv4 && piece.find('.') != piece.npos) {
            return isIPv4Address(piece) ? groups + 2 : -1;
        }
        if (piece.empty() || piece.size() > 4 ||
            !std::all_of(piece.begin(), piece.end(), isHexDigit)) {
            return -1;
        }
        ++groups;
        if (colon == std::string_view::npos) {
            return groups;
        }
        text.remove_prefix(colon + 1);
    }
}

bool isIPv6Address(std::string_view text) {
    const std::size_t gap = text.find("::");
    if (gap == std::string_view::npos) {
        return countIPv6Groups(text, /*allowIPv4=*/true) == 8;
    }
    const std::string_view head = text.substr(0, gap);
    const std::string_view tail = text.substr(gap + 2);
    if (tail.find("::") != std::string_view::npos) {
        return false;
    }
    const int headGroups = countIPv6Groups(head, /*allowIPv4=*/false);
    const int tailGroups = countIPv6Groups(tail, /*allowIPv4=*/true);
    return headGroups >= 0 && tailGroups >= 0 && headGroups + tailGroups <= 7;
}

// The inside of "[...]": an IPv6 address with an optional zone ("%25" and
// its name, RFC 6874) or an IPvFuture literal.
bool isIPLiteral(std::string_view text) {
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) {
        const std::size_t dot = text.find('.');
        if (dot == std::string_view::npos || dot == 1 || dot + 1 == text.size()) {
            return false;
        }
        const std::string_view version = text.substr(1, dot - 1);
        const std::string_view rest = text.substr(dot + 1);
        return std::all_of(version.begin(), version.end(), isHexDigit) &&
               std::all_of(rest.begin(), rest.end(),
                           [](char c) { return isUnreserved(c) || isSubDelimiter(c) || c == ':'; });
    }
    const std::size_t zone = text.find("%25");
    if (zone != std::string_view::npos) {
        const std::string_view zoneName = text.substr(zone + 3);
        if (zoneName.empty() || containsAny(zoneName, ":")) {
            return false;
        }
        text = text.substr(0, zone);
    }
    return isIPv6Address(text);
}

struct HostAndPort {
    std::optional<std::string> host;
    std::optional<int> port;
};

std::optional<int> portNumber(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > 65535) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// authority = [ userinfo "@" ] host [ ":" port ]
std::optional<HostAndPort> parseAuthority(std::string_view authority) {
    const std::size_t at = authority.find('@');
    if (at != std::string_view::npos) {
        if (containsAny(authority.substr(0, at), "[]")) {
            return std::nullopt;
        }
        authority.remove_prefix(at + 1);
    }
    std::string_view host;
    std::string_view afterHost;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || !isIPLiteral(authority.substr(1, close - 1))) {
            return std::nullopt;
        }
        host = authority.substr(1, close - 1);
        afterHost = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        afterHost = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (containsAny(host, "[]@")) {
            return std::nullopt;
        }
    }
    if (!afterHost.empty() && afterHost.front() != ':') {
        return std::nullopt;
    }
    const std::string_view port = afterHost.empty() ? afterHost : afterHost.substr(1);
    if (!std::all_of(port.begin(), port.end(), isDigit)) {
        return std::nullopt;
    }
    HostAndPort result;
    if (!host.empty()) {
        result.host = std::string(host);
    }
    result.port = portNumber(port);
    return result;
}

// RFC 3986 section 5.2.4.
std::string removeDotSegments(std::string_view input) {
    std::string output;
    const auto dropLastSegment = [&output] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t end = input.find('/', 1);
            output.append(input.substr(0, end));
            input = end == std::string_view::npos ? std::string_view() : input.substr(end);
        }
    }
    return output;
}

// Percent-escapes the bytes that may not stand in a path, keeping "/".
std::string escapedPathText(std::string_view text) {
    return percentEscaped(text, [](char c) { return isPathCharacter(c) || c == '/'; });
}

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || !hasOnlyUriCharacters(text)) {
        return std::nullopt;
    }
    Url url;
    url.m_text = std::string(text);

    std::string_view rest = text;
    const std::size_t firstDelimiter = rest.find_first_of(":/?#");
    if (firstDelimiter != std::string_view::npos && rest[firstDelimiter] == ':') {
        // Either a scheme, or a relative path whose first segment holds a
        // colon, which a relative reference may not have.
        if (!isScheme(rest.substr(0, firstDelimiter))) {
            return std::nullopt;
        }
        url.m_scheme = std::string(rest.substr(0, firstDelimiter));
        rest.remove_prefix(firstDelimiter + 1);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t end = rest.find_first_of("/?#");
        const std::string_view authority = rest.substr(0, end);
        const auto hostAndPort = parseAuthority(authority);
        if (!hostAndPort) {
            return std::nullopt;
        }
        url.m_authority = std::string(authority);
        url.m_host = hostAndPort->host;
        url.m_port = hostAndPort->port;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    const std::size_t fragmentStart = rest.find('#');
    if (fragmentStart != std::string_view::npos) {
        const std::string_view fragment = rest.substr(fragmentStart + 1);
        if (containsAny(fragment, "[]#")) {
            return std::nullopt;
        }
        url.m_fragment = std::string(fragment);
        rest = rest.substr(0, fragmentStart);
    }
    const std::size_t queryStart = rest.find('?');
    if (queryStart != std::string_view::npos) {
        const std::string_view query = rest.substr(queryStart + 1);
        if (containsAny(query, "[]")) {
            return std::nullopt;
        }
        url.m_query = std::string(query);
        rest = rest.substr(0, queryStart);
    }
    if (containsAny(rest, "[]")) {
        return std::nullopt;
    }
    url.m_path = std::string(rest);
    return url;
}

std::optional<Url> Url::parse(std::string_view text, const Url& base) {
    const auto reference = parse(text);
    if (!reference) {
        return std::nullopt;
    }
    return reference->resolved(base);
}

Url::Components Url::components() const {
    return {m_scheme, m_authority, m_path, m_query, m_fragment};
}

// Writes the components as text (RFC 3986 section 5.3) and keeps the result
// only if it reads back as the same components.
std::optional<Url> Url::fromComponents(const Components& components) {
    std::string text;
    if (components.scheme) {
        text += *components.scheme + ':';
    }
    if (components.authority) {
        text += "//" + *components.authority;
    }
    text += components.path;
    if (components.query) {
        text += '?' + *components.query;
    }
    if (components.fragment) {
        text += '#' + *components.fragment;
    }
    auto url = parse(text);
    if (!url || url->components() != components) {
        return std::nullopt;
    }
    return url;
}

// RFC 3986 section 5.2.2, strict: a reference's own scheme always wins.
std::optional<Url> Url::resolved(const Url& base) const {
    if (!base.m_scheme) {
        return std::nullopt;
    }
    Components target;
    if (m_scheme) {
        target = {m_scheme, m_authority, removeDotSegments(m_path), m_query, m_fragment};
        return fromComponents(target);
    }
    target.scheme = base.m_scheme;
    target.fragment = m_fragment;
    if (m_authority) {
        target.authority = m_authority;
        target.path = removeDotSegments(m_path);
        target.query = m_query;
        return fromComponents(target);
    }
    target.authority = base.m_authority;
    if (m_path.empty()) {
        target.path = base.m_path;
        target.query = m_query ? m_query : base.m_query;
        return fromComponents(target);
    }
    target.query = m_query;
    if (m_path.starts_with('/')) {
        target.path = removeDotSegments(m_path);
        return fromComponents(target);
    }
    // Merge (section 5.2.3).
    std::string merged;
    if (base.m_authority && base.m_path.empty()) {
        merged = "/" + m_path;
    } else {
        const std::size_t slash = base.m_path.rfind('/');
        merged = (slash == std::string::npos ? std::string() : base.m_path.substr(0, slash + 1)) +
                 m_path;
    }
    target.path = removeDotSegments(merged);
    return fromComponents(target);
}

Url Url::appendingPathComponent(std::string_view component) const {
    while (component.starts_with('/')) {
        component.remove_prefix(1);
    }
    Components changed = components();
    if (!changed.path.ends_with('/')) {
        changed.path += '/';
    }
    changed.path += escapedPathText(component);
    auto url = fromComponents(changed);
    assert(url && "an escaped component appended after a slash always reads back");
    return url ? *url : *this;
}

Url Url::appendingPathExtension(std::string_view extension) const {
    if (extension.empty()) {
        return *this;
    }
    Components changed = components();
    const bool hasTrailingSlash = changed.path.ends_with('/');
    const std::size_t segmentEnd = changed.path.size() - (hasTrailingSlash ? 1 : 0);
    if (segmentEnd == 0 || changed.path[segmentEnd - 1] == '/') {
        return *this;
    }
    std::string escapedExtension;
    for (const char c : escapedPathText(extension)) {
        escapedExtension += c == '/' ? std::string("%2F") : std::string(1, c);
    }
    changed.path.insert(segmentEnd, "." + escapedExtension);
    auto url = fromComponents(changed);
    return url ? *url : *this;
}

std::optional<Url> Url::replacingPath(std::string_view percentEncodedPath) const {
    Components changed = components();
    changed.path = std::string(percentEncodedPath);
    return fromComponents(changed);
}

} // namespace lumra
