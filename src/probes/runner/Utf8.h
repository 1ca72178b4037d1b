// Strict UTF-8 validation: no overlong forms, no surrogates, nothing above
// U+10FFFF.
#pragma once

#include <string_view>

namespace lumra {

bool isValidUtf8(std::string_view bytes) noexcept;

} // namespace lumra
