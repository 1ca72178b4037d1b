// Percent-escaping of text for one part of a web address.
#pragma once

#include <string>
#include <string_view>

namespace lumra {

// Every byte for which keeps answers false becomes "%XX" (upper-case hex).
std::string percentEscaped(std::string_view text, bool (*keeps)(char));

} // namespace lumra
