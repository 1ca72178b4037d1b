#include "platform/login/DesktopEntryExec.h"

#include <cstdint>
#include <string_view>

namespace lumra {

namespace {

// Characters that make an argument need quotes.
constexpr std::string_view reservedCharacters = " \t\n\"'\\><~|&;$*?#()`";
// Characters that need a backslash inside quotes.
constexpr std::string_view quotedEscapes = "\"`$\\";

// Rules out overlong forms, surrogates and code points above U+10FFFF.
bool hasValidSecondByte(std::uint8_t lead, std::string_view text, std::size_t i,
                        std::size_t length) {
    if (length == 1)
        return true;
    const auto second = static_cast<std::uint8_t>(text[i + 1]);
    switch (lead) {
    case 0xE0:
        return second >= 0xA0;
    case 0xED:
        return second < 0xA0;
    case 0xF0:
        return second >= 0x90;
    case 0xF4:
        return second < 0x90;
    default:
        return lead >= 0xC2 && lead <= 0xF4;
    }
}

bool isWellFormedUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
        if (length == 0 || text.size() - i < length || !hasValidSecondByte(lead, text, i, length))
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

bool isWritable(std::string_view argument) {
    if (argument.empty() || !isWellFormedUtf8(argument))
        return false;
    for (const char c : argument) {
        const auto byte = static_cast<std::uint8_t>(c);
        const bool allowedControl = c == '\t' || c == '\n' || c == '\r';
        if ((byte < 0x20 && !allowedControl) || byte == 0x7F)
            return false;
    }
    return true;
}

// The argument as the Exec key's own quoting rules want it.
std::string quotedArgument(std::string_view argument) {
    const bool needsQuotes = argument.find_first_of(reservedCharacters) != std::string_view::npos;
    std::string quoted;
    if (needsQuotes)
        quoted += '"';
    for (const char c : argument) {
        if (needsQuotes && quotedEscapes.find(c) != std::string_view::npos)
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    if (needsQuotes)
        quoted += '"';
    return quoted;
}

// The file format's escapes, which readers undo before the Exec quoting.
std::string stringEscaped(std::string_view value) {
    std::string escaped;
    for (const char c : value) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::optional<std::string> desktopEntryExecValue(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return std::nullopt;
    std::string line;
    for (const auto& argument : arguments) {
        if (!isWritable(argument))
            return std::nullopt;
        if (!line.empty())
            line += ' ';
        line += quotedArgument(argument);
    }
    return stringEscaped(line);
}

} // namespace lumra
