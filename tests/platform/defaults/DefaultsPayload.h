// A value that shows whether it was stored whole: "<counter>:" followed by a
// long run of one letter chosen by the counter.
#pragma once

#include <charconv>
#include <cstdint>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <string_view>

namespace lumra::test {

inline constexpr std::size_t payloadFillLength = 256 * 1024;

inline char payloadFill(std::int64_t counter) {
    return static_cast<char>('a' + counter % 26);
}

inline std::string payloadFor(std::int64_t counter) {
    return fmt::format("{}:{}", counter, std::string(payloadFillLength, payloadFill(counter)));
}

// The counter of a whole payload; nullopt for anything else.
inline std::optional<std::int64_t> payloadCounter(std::string_view payload) {
    const auto colon = payload.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::int64_t counter = 0;
    const auto [end, error] = std::from_chars(payload.data(), payload.data() + colon, counter);
    if (error != std::errc() || end != payload.data() + colon || counter < 0)
        return std::nullopt;
    if (payload.substr(colon + 1) != std::string(payloadFillLength, payloadFill(counter)))
        return std::nullopt;
    return counter;
}

} // namespace lumra::test
