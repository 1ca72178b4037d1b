// Shared machinery of the text-valued enumerations: each enumeration
// specialises TextEnumTraits with its cases and raw texts, in declaration
// order, and gets rawValue, fromRawValue, allCases and printing from here.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>
#include <type_traits>
#include <utility>

namespace lumra {

// Specialise with
//   static constexpr std::array<std::pair<E, std::string_view>, N> cases{...};
template <class E> struct TextEnumTraits;

template <class E>
concept TextEnum = std::is_enum_v<E> && requires {
    TextEnumTraits<E>::cases;
};

namespace detail {

// rawValue indexes the table by the enumerator's value, so the table must
// list the cases exactly in declaration order, starting at 0; raw texts must
// be distinct for equality by case to equal equality by text.
template <TextEnum E> consteval bool isWellFormedCaseTable() {
    const auto& cases = TextEnumTraits<E>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (static_cast<std::size_t>(cases[i].first) != i) {
            return false;
        }
        for (std::size_t j = i + 1; j < cases.size(); ++j) {
            if (cases[i].second == cases[j].second) {
                return false;
            }
        }
    }
    return true;
}

} // namespace detail

template <TextEnum E> constexpr std::string_view rawValue(E value) {
    static_assert(detail::isWellFormedCaseTable<E>(),
                  "TextEnumTraits cases must follow declaration order and have distinct texts");
    return TextEnumTraits<E>::cases[static_cast<std::size_t>(value)].second;
}

// Exact match only: no case folding, no trimming.
template <TextEnum E> constexpr std::optional<E> fromRawValue(std::string_view text) {
    for (const auto& [value, raw] : TextEnumTraits<E>::cases) {
        if (raw == text) {
            return value;
        }
    }
    return std::nullopt;
}

template <TextEnum E> constexpr auto allCases() {
    constexpr auto& cases = TextEnumTraits<E>::cases;
    std::array<E, cases.size()> values{};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        values[i] = cases[i].first;
    }
    return values;
}

// Hashes the raw text, so a value hashes like its text does.
template <TextEnum E> struct TextEnumHash {
    std::size_t operator()(E value) const noexcept {
        return std::hash<std::string_view>{}(rawValue(value));
    }
};

// Readable test failures and log lines.
template <TextEnum E> std::ostream& operator<<(std::ostream& out, E value) {
    return out << rawValue(value);
}

} // namespace lumra
