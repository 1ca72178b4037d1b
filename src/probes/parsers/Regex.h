// A regular expression compiled once with PCRE2 (UTF-8, Unicode properties
// for \d \s \w, any line break for ^ $ in multi-line mode) and its first
// match in a text. A compiled Regex is immutable and may be shared between
// threads; each search allocates its own match state.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pcre2_real_code_8;

namespace lumra {

// Views into the searched text; a group that took no part is absent.
struct RegexMatch {
    std::string_view matchedText;
    std::vector<std::optional<std::string_view>> captureGroups;
};

class Regex {
public:
    // Throws std::invalid_argument naming the error and its offset when the
    // pattern does not compile; for the parsers' own constant patterns.
    explicit Regex(std::string_view pattern);
    static std::optional<Regex> compile(std::string_view pattern);

    // The first match anywhere in the text. Bytes that are not valid UTF-8
    // never take part in a match; a search that PCRE2 gives up on (match
    // limits) counts as no match.
    std::optional<RegexMatch> firstMatch(std::string_view text) const;
    // Groups 1 to n of the first match; absent without a match or when a
    // group took no part in it.
    std::optional<std::vector<std::string>> firstMatchCaptureGroups(std::string_view text) const;

private:
    struct CodeDeleter {
        void operator()(pcre2_real_code_8* code) const noexcept;
    };
    explicit Regex(std::unique_ptr<pcre2_real_code_8, CodeDeleter> code);

    std::unique_ptr<pcre2_real_code_8, CodeDeleter> m_code;
};

// Compiles the pattern for this one search; absent when it does not compile
// or as Regex::firstMatchCaptureGroups says.
std::optional<std::vector<std::string>> firstMatchCaptureGroups(std::string_view pattern,
                                                                std::string_view text);

} // namespace lumra
