// Reads an Exec value back the way desktop sessions do (string escapes
// first, then quoting, then "%%"), so tests check the escaping against the
// reading rules rather than against a copy of the writer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumra::test {

inline std::optional<std::vector<std::string>> readExecValue(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            unescaped += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i]) {
        case 's':
            unescaped += ' ';
            break;
        case 'n':
            unescaped += '\n';
            break;
        case 't':
            unescaped += '\t';
            break;
        case 'r':
            unescaped += '\r';
            break;
        case '\\':
            unescaped += '\\';
            break;
        default:
            return std::nullopt;
        }
    }
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (c == ' ') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '%') {
            if (i + 1 == unescaped.size() || unescaped[i + 1] != '%')
                return std::nullopt; // a field code
            current += '%';
            ++i;
            continue;
        }
        if (c != '"') {
            if (std::string("\t\n'\\><~|&;$*?#()`").find(c) != std::string::npos)
                return std::nullopt; // reserved outside quotes
            current += c;
            continue;
        }
        for (++i;; ++i) {
            if (i == unescaped.size())
                return std::nullopt;
            if (unescaped[i] == '"')
                break;
            if (unescaped[i] == '\\') {
                if (++i == unescaped.size() ||
                    std::string("\"`$\\").find(unescaped[i]) == std::string::npos)
                    return std::nullopt;
            } else if (unescaped[i] == '%') {
                if (++i == unescaped.size() || unescaped[i] != '%')
                    return std::nullopt;
            }
            current += unescaped[i];
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

} // namespace lumra::test
