// The error a tool-output parser throws when the text lacks what it looks
// for. It carries data only: callers turn it into an absent value or a
// failed measurement, and its texts serve diagnosis, never display.
#pragma once

#include <exception>
#include <iosfwd>
#include <string>
#include <variant>

namespace lumra {

class CommandParsingError final : public std::exception {
public:
    // The output does not contain the line or value looked for; `expected`
    // shows its form.
    struct MissingPattern {
        std::string command;
        std::string expected;
        bool operator==(const MissingPattern&) const = default;
    };
    // A figure was found but does not convert to a number.
    struct InvalidNumber {
        std::string command;
        std::string field;
        std::string value;
        bool operator==(const InvalidNumber&) const = default;
    };
    // The output is not a dotted IPv4 address; `value` is the trimmed output.
    struct InvalidIPAddress {
        std::string command;
        std::string value;
        bool operator==(const InvalidIPAddress&) const = default;
    };

    // In declaration order; the payload's index.
    enum class Case { missingPattern, invalidNumber, invalidIPAddress };
    using Payload = std::variant<MissingPattern, InvalidNumber, InvalidIPAddress>;

    explicit CommandParsingError(Payload payload);
    static CommandParsingError missingPattern(std::string command, std::string expected);
    static CommandParsingError invalidNumber(std::string command, std::string field,
                                             std::string value);
    static CommandParsingError invalidIPAddress(std::string command, std::string value);

    Case errorCase() const noexcept { return static_cast<Case>(m_payload.index()); }
    const Payload& payload() const noexcept { return m_payload; }
    // The absolute path of the tool whose output was read; every case has one.
    const std::string& command() const noexcept;

    // For diagnosis, e.g. `invalidNumber(command: "/sbin/ping", field: "min", value: "1.1.1")`.
    std::string describe() const;
    const char* what() const noexcept override { return m_description.c_str(); }

    // Same case and every carried text equal.
    friend bool operator==(const CommandParsingError& a, const CommandParsingError& b) {
        return a.m_payload == b.m_payload;
    }

private:
    Payload m_payload;
    std::string m_description;
};

std::ostream& operator<<(std::ostream& out, const CommandParsingError& error);

} // namespace lumra
