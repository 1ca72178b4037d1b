// Whether a text shown to the user names the system the design came from
// ("Mac" as a word, "this Mac's") where it should say "computer".
#pragma once

#include <cctype>
#include <string_view>

namespace lumra::test {

inline bool saysMac(std::string_view text) {
    for (auto at = text.find("Mac"); at != std::string_view::npos; at = text.find("Mac", at + 1)) {
        const bool startsWord = at == 0 || !std::isalpha(static_cast<unsigned char>(text[at - 1]));
        const bool endsWord =
            at + 3 == text.size() || !std::isalpha(static_cast<unsigned char>(text[at + 3]));
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

} // namespace lumra::test
