#include "model/PercentEscape.h"

namespace lumra {

std::string percentEscaped(std::string_view text, bool (*keeps)(char)) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (keeps(c)) {
            escaped.push_back(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        escaped.push_back('%');
        escaped.push_back(hexDigits[byte >> 4]);
        escaped.push_back(hexDigits[byte & 0x0F]);
    }
    return escaped;
}

} // namespace lumra
