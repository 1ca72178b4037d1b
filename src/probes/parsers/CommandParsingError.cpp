// The parsers' error value; see the header.
#include "probes/parsers/CommandParsingError.h"

#include <fmt/format.h>
#include <ostream>

namespace lumra {
namespace {

struct Describer {
    std::string operator()(const CommandParsingError::MissingPattern& p) const {
        return fmt::format("missingPattern(command: \"{}\", expected: \"{}\")", p.command,
                           p.expected);
    }
    std::string operator()(const CommandParsingError::InvalidNumber& p) const {
        return fmt::format("invalidNumber(command: \"{}\", field: \"{}\", value: \"{}\")",
                           p.command, p.field, p.value);
    }
    std::string operator()(const CommandParsingError::InvalidIPAddress& p) const {
        return fmt::format("invalidIPAddress(command: \"{}\", value: \"{}\")", p.command, p.value);
    }
};

} // namespace

CommandParsingError::CommandParsingError(Payload payload)
    : m_payload(std::move(payload)), m_description(std::visit(Describer{}, m_payload)) {}

CommandParsingError CommandParsingError::missingPattern(std::string command, std::string expected) {
    return CommandParsingError(MissingPattern{std::move(command), std::move(expected)});
}

CommandParsingError CommandParsingError::invalidNumber(std::string command, std::string field,
                                                       std::string value) {
    return CommandParsingError(
        InvalidNumber{std::move(command), std::move(field), std::move(value)});
}

CommandParsingError CommandParsingError::invalidIPAddress(std::string command, std::string value) {
    return CommandParsingError(InvalidIPAddress{std::move(command), std::move(value)});
}

const std::string& CommandParsingError::command() const noexcept {
    return std::visit([](const auto& payload) -> const std::string& { return payload.command; },
                      m_payload);
}

std::string CommandParsingError::describe() const {
    return m_description;
}

std::ostream& operator<<(std::ostream& out, const CommandParsingError& error) {
    return out << error.describe();
}

} // namespace lumra
