// PCRE2 binding of Regex; see the header.
#include "probes/parsers/Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <array>
#include <fmt/format.h>
#include <pcre2.h>
#include <stdexcept>

namespace lumra {
namespace {

struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const noexcept {
        pcre2_compile_context_free(context);
    }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const noexcept { pcre2_match_data_free(data); }
};

// Invalid UTF-8 in tool output must not hide a valid summary line
// elsewhere in the text, so such bytes just never match.
constexpr uint32_t compileOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;

struct CompileOutcome {
    pcre2_code* code = nullptr;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
};

CompileOutcome compilePattern(std::string_view pattern) {
    const std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
        pcre2_compile_context_create(nullptr));
    if (!context) {
        throw std::bad_alloc();
    }
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);
    CompileOutcome outcome;
    outcome.code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), compileOptions,
                      &outcome.errorCode, &outcome.errorOffset, context.get());
    return outcome;
}

std::string compileErrorMessage(const CompileOutcome& outcome) {
    std::array<PCRE2_UCHAR, 256> buffer{};
    pcre2_get_error_message(outcome.errorCode, buffer.data(), buffer.size());
    return fmt::format("pattern does not compile at offset {}: {}", outcome.errorOffset,
                       reinterpret_cast<const char*>(buffer.data()));
}

} // namespace

void Regex::CodeDeleter::operator()(pcre2_real_code_8* code) const noexcept {
    pcre2_code_free(code);
}

Regex::Regex(std::unique_ptr<pcre2_real_code_8, CodeDeleter> code) : m_code(std::move(code)) {}

Regex::Regex(std::string_view pattern) {
    const CompileOutcome outcome = compilePattern(pattern);
    if (outcome.code == nullptr) {
        throw std::invalid_argument(compileErrorMessage(outcome));
    }
    m_code.reset(outcome.code);
}

std::optional<Regex> Regex::compile(std::string_view pattern) {
    const CompileOutcome outcome = compilePattern(pattern);
    if (outcome.code == nullptr) {
        return std::nullopt;
    }
    return Regex(std::unique_ptr<pcre2_real_code_8, CodeDeleter>(outcome.code));
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view text) const {
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    if (!data) {
        throw std::bad_alloc();
    }
    const int result =
        pcre2_match(m_code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                    /*startoffset=*/0, /*options=*/0, data.get(), nullptr);
    if (result < 0) {
        return std::nullopt;
    }
    uint32_t groupCount = 0;
    pcre2_pattern_info(m_code.get(), PCRE2_INFO_CAPTURECOUNT, &groupCount);
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.get());
    const uint32_t pairCount = pcre2_get_ovector_count(data.get());

    // \K inside a look-ahead can end a range before it starts; such a range
    // names no text.
    const auto rangeText = [&](uint32_t pair) -> std::optional<std::string_view> {
        if (pair >= pairCount || offsets[2 * pair] == PCRE2_UNSET) {
            return std::nullopt;
        }
        const PCRE2_SIZE start = offsets[2 * pair];
        const PCRE2_SIZE end = offsets[2 * pair + 1];
        if (start > end || end > text.size()) {
            return std::nullopt;
        }
        return text.substr(start, end - start);
    };

    const std::optional<std::string_view> whole = rangeText(0);
    if (!whole) {
        return std::nullopt;
    }
    RegexMatch match{*whole, {}};
    match.captureGroups.reserve(groupCount);
    for (uint32_t group = 1; group <= groupCount; ++group) {
        match.captureGroups.push_back(rangeText(group));
    }
    return match;
}

std::optional<std::vector<std::string>>
Regex::firstMatchCaptureGroups(std::string_view text) const {
    const std::optional<RegexMatch> match = firstMatch(text);
    if (!match) {
        return std::nullopt;
    }
    std::vector<std::string> groups;
    groups.reserve(match->captureGroups.size());
    for (const std::optional<std::string_view>& group : match->captureGroups) {
        if (!group) {
            return std::nullopt;
        }
        groups.emplace_back(*group);
    }
    return groups;
}

std::optional<std::vector<std::string>> firstMatchCaptureGroups(std::string_view pattern,
                                                                std::string_view text) {
    const std::optional<Regex> regex = Regex::compile(pattern);
    if (!regex) {
        return std::nullopt;
    }
    return regex->firstMatchCaptureGroups(text);
}

} // namespace lumra
