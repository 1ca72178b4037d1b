// A web address parsed from text: an absolute or relative URI reference
// (RFC 3986), kept exactly as written. Equality and hashing are by text, so
// "HTTP://a" and "http://a" are different addresses, as are "http://a" and
// "http://a/".
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace lumra {

class Url {
public:
    // No value for empty text, for characters that may not appear in a URI
    // unescaped (blank, control and non-ASCII bytes, "<>\"\\^`{|}"), for a
    // malformed %-escape, or for text that fits neither an absolute nor a
    // relative reference (such as "1abc:def").
    static std::optional<Url> parse(std::string_view text);
    // Parses text as a reference and resolves it against base.
    static std::optional<Url> parse(std::string_view text, const Url& base);

    // The text the address was made from.
    const std::string& absoluteString() const { return m_text; }
    // As written; compare case-insensitively where the scheme's case must not matter.
    const std::optional<std::string>& scheme() const { return m_scheme; }
    // Without user information and port, the brackets of an IP literal
    // removed; no value without an authority or with an empty host.
    const std::optional<std::string>& host() const { return m_host; }
    // No value when absent, empty or above 65535.
    std::optional<int> port() const { return m_port; }
    // With its %-escapes as written; empty when the address has no path.
    const std::string& path() const { return m_path; }
    const std::optional<std::string>& query() const { return m_query; }
    const std::optional<std::string>& fragment() const { return m_fragment; }
    bool isAbsolute() const { return m_scheme.has_value(); }

    // RFC 3986 section 5.2 resolution of this reference against base. No value
    // when base has no scheme or the result could not be written as a URI.
    std::optional<Url> resolved(const Url& base) const;

    // Adds "/component" to the path (one slash only, leading slashes of the
    // component dropped), keeping query and fragment. Characters that may not
    // stand in a path are %-escaped, "%" included; "/" is kept.
    Url appendingPathComponent(std::string_view component) const;
    // Adds ".extension" to the last path segment, before a trailing slash.
    // Unchanged when the path has no last segment or extension is empty.
    Url appendingPathExtension(std::string_view extension) const;
    // The same address with another path, given %-escaped. No value when the
    // path contains characters a path may not hold or would change how the
    // rest of the address reads (a relative path after an authority, "//"
    // without one).
    std::optional<Url> replacingPath(std::string_view percentEncodedPath) const;

    bool operator==(const Url& other) const { return m_text == other.m_text; }

private:
    struct Components {
        std::optional<std::string> scheme;
        std::optional<std::string> authority;
        std::string path;
        std::optional<std::string> query;
        std::optional<std::string> fragment;

        bool operator==(const Components&) const = default;
    };

    Url() = default;
    static std::optional<Url> fromComponents(const Components& components);
    Components components() const;

    std::string m_text;
    std::optional<std::string> m_scheme;
    std::optional<std::string> m_authority;
    std::optional<std::string> m_host;
    std::optional<int> m_port;
    std::string m_path;
    std::optional<std::string> m_query;
    std::optional<std::string> m_fragment;
};

inline std::ostream& operator<<(std::ostream& out, const Url& url) {
    return out << url.absoluteString();
}

} // namespace lumra

template <> struct std::hash<lumra::Url> {
    std::size_t operator()(const lumra::Url& url) const noexcept {
        return std::hash<std::string>{}(url.absoluteString());
    }
};
