// Helpers for the parsers' case tables: tool output read from a fixture
// file or written inline, the outcome of a parse (a value or the error it
// threw), and a registry through which every table can be run again, for
// example under a decimal-comma locale.
#pragma once

#include "probes/parsers/CommandParsingError.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumra {

struct ToolOutput {
    std::string description;
    std::string text;
};

// tests/fixtures/<relativePath>, byte for byte; throws when it is missing.
ToolOutput fixture(std::string_view relativePath);
ToolOutput inlineOutput(std::string description, std::string text);

template <class T> using ParseOutcome = std::variant<T, CommandParsingError>;

template <class Parse> auto outcomeOf(Parse&& parse) -> ParseOutcome<decltype(parse())> {
    try {
        return parse();
    } catch (const CommandParsingError& error) {
        return error;
    }
}

struct CaseTable {
    std::string name;
    void (*check)();
};

const std::vector<CaseTable>& caseTables();

// A namespace-scope `const CaseTableRegistration` in a test file adds its
// table to caseTables().
struct CaseTableRegistration {
    CaseTableRegistration(std::string name, void (*check)());
};

} // namespace lumra
