// DNS messages as dig sends and shows them: a query for one name, and the
// reply decoded into the sections dig prints, in dig's text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumra::dns {

// A name as wire-format labels (without the root label).
using Name = std::vector<std::string>;

// dig's reading of a name given on the command line: "\X" and "\DDD"
// escapes, always absolute. The error is dig's reason text ("empty label").
std::variant<Name, std::string> parseName(std::string_view text);

// Presentation form with the final dot; bytes outside printable ASCII as
// "\DDD", the master-file specials escaped.
std::string nameText(const Name& name);

struct Question {
    Name name;
    std::uint16_t type = 1;
    std::uint16_t klass = 1;
};

struct Record {
    Name name;
    std::uint16_t type = 0;
    std::uint16_t klass = 0;
    std::uint32_t ttl = 0;
    // The record data in presentation form (names expanded).
    std::string data;
};

struct EdnsOption {
    std::uint16_t code = 0;
    std::string value;
};

struct Edns {
    std::uint8_t version = 0;
    std::uint16_t udpSize = 0;
    bool dnssecOk = false;
    std::uint16_t otherFlags = 0;
    std::vector<EdnsOption> options;
};

struct Message {
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    // Including the EDNS extension when an OPT record carries one.
    unsigned rcode = 0;
    std::vector<Question> questions;
    std::vector<Record> answers;
    std::vector<Record> authority;
    std::vector<Record> additional;
    std::optional<Edns> edns;
};

// A recursive query with EDNS (version 0, UDP size 1232), as dig sends it.
std::string encodeQuery(std::uint16_t id, const Name& name, std::uint16_t type);

// Absent when the bytes are not a well-formed message.
std::optional<Message> decodeMessage(std::string_view wire);

std::string rcodeText(unsigned rcode);
std::string typeText(std::uint16_t type);
std::string classText(std::uint16_t klass);

// The lines dig prints for a reply, from ";; Got answer:" down to the last
// section (without the query statistics).
std::string formatReply(const Message& message);

} // namespace lumra::dns
