#include "platform/login/DesktopEntryExec.h"

#include "model/UnicodeText.h"

#include <cstdint>
#include <string_view>

namespace lumra {

namespace {

// Characters that make an argument need quotes.
constexpr std::string_view reservedCharacters = " \t\n\"'\\><~|&;$*?#()`";
// Characters that need a backslash inside quotes.
constexpr std::string_view quotedEscapes = "\"`$\\";

bool isWritable(std::string_view argument) {
    if (argument.empty() || !isValidUtf8(argument))
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
