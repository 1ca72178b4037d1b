// DNS wire format and dig's presentation of it.
#include "systool/DnsMessage.h"

#include <arpa/inet.h>
#include <fmt/format.h>

namespace lumra::dns {

namespace {

constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxWireName = 255;
constexpr std::uint16_t kTypeOpt = 41;

bool isSpecial(unsigned char c) {
    switch (c) {
    case '"':
    case '(':
    case ')':
    case '.':
    case ';':
    case '\\':
    case '@':
    case '$':
        return true;
    default:
        return false;
    }
}

std::string labelText(std::string_view label) {
    std::string out;
    for (const char ch : label) {
        const auto c = static_cast<unsigned char>(ch);
        if (isSpecial(c)) {
            out += '\\';
            out += ch;
        } else if (c <= 0x20 || c >= 0x7f) {
            out += fmt::format("\\{:03}", c);
        } else {
            out += ch;
        }
    }
    return out;
}

std::size_t wireLength(const Name& name) {
    std::size_t length = 1;
    for (const auto& label : name) {
        length += label.size() + 1;
    }
    return length;
}

void putName(std::string& out, const Name& name) {
    for (const auto& label : name) {
        out += static_cast<char>(label.size());
        out += label;
    }
    out += '\0';
}

void put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xff);
}

// Bounds-checked reads over a whole message (names may point backwards
// anywhere in it).
class Reader {
public:
    explicit Reader(std::string_view wire) : m_wire(wire) {}

    bool u8(std::uint8_t& value) {
        if (m_at + 1 > m_wire.size()) {
            return false;
        }
        value = static_cast<std::uint8_t>(m_wire[m_at++]);
        return true;
    }
    bool u16(std::uint16_t& value) {
        std::uint8_t high = 0;
        std::uint8_t low = 0;
        if (!u8(high) || !u8(low)) {
            return false;
        }
        value = static_cast<std::uint16_t>(high << 8 | low);
        return true;
    }
    bool u32(std::uint32_t& value) {
        std::uint16_t high = 0;
        std::uint16_t low = 0;
        if (!u16(high) || !u16(low)) {
            return false;
        }
        value = static_cast<std::uint32_t>(high) << 16 | low;
        return true;
    }
    bool bytes(std::size_t count, std::string_view& value) {
        if (count > m_wire.size() - m_at) {
            return false;
        }
        value = m_wire.substr(m_at, count);
        m_at += count;
        return true;
    }
    // A possibly compressed name; pointers must point strictly backwards.
    bool name(Name& value) {
        value.clear();
        std::size_t at = m_at;
        std::size_t resumeAt = 0;
        bool jumped = false;
        std::size_t length = 1;
        while (true) {
            if (at >= m_wire.size()) {
                return false;
            }
            const auto byte = static_cast<std::uint8_t>(m_wire[at]);
            if ((byte & 0xc0) == 0xc0) {
                if (at + 1 >= m_wire.size()) {
                    return false;
                }
                const std::size_t target = static_cast<std::size_t>(byte & 0x3f) << 8 |
                                           static_cast<std::uint8_t>(m_wire[at + 1]);
                if (target >= at) {
                    return false;
                }
                if (!jumped) {
                    resumeAt = at + 2;
                    jumped = true;
                }
                at = target;
                continue;
            }
            if ((byte & 0xc0) != 0) {
                return false;
            }
            if (byte == 0) {
                m_at = jumped ? resumeAt : at + 1;
                return true;
            }
            length += byte + 1u;
            if (length > kMaxWireName || at + 1 + byte > m_wire.size()) {
                return false;
            }
            value.emplace_back(m_wire.substr(at + 1, byte));
            at += 1 + byte;
        }
    }
    std::size_t offset() const { return m_at; }
    void seek(std::size_t at) { m_at = at; }
    std::string_view wire() const { return m_wire; }

private:
    std::string_view m_wire;
    std::size_t m_at = 0;
};

std::string hex(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        out += fmt::format("{:02X}", static_cast<unsigned char>(c));
    }
    return out;
}

std::string characterString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7f) {
            out += fmt::format("\\{:03}", c);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string unknownData(std::string_view data) {
    if (data.empty()) {
        return "\\# 0";
    }
    return fmt::format("\\# {} {}", data.size(), hex(data));
}

// The data of one record; the reader stands at its start and the data is
// `length` bytes long.
std::optional<std::string> dataText(Reader& reader, std::uint16_t type, std::uint16_t length) {
    const std::size_t start = reader.offset();
    const std::size_t end = start + length;
    std::string_view raw;
    if (!reader.bytes(length, raw)) {
        return std::nullopt;
    }
    reader.seek(start);
    std::string text;
    bool parsed = true;
    Name name;
    switch (type) {
    case 1: // A
        parsed = length == 4;
        if (parsed) {
            text =
                fmt::format("{}.{}.{}.{}", static_cast<unsigned char>(raw[0]),
                            static_cast<unsigned char>(raw[1]), static_cast<unsigned char>(raw[2]),
                            static_cast<unsigned char>(raw[3]));
        }
        break;
    case 28: { // AAAA
        parsed = length == 16;
        if (parsed) {
            char buffer[INET6_ADDRSTRLEN] = {};
            inet_ntop(AF_INET6, raw.data(), buffer, sizeof buffer);
            text = buffer;
        }
        break;
    }
    case 2:  // NS
    case 5:  // CNAME
    case 12: // PTR
    case 39: // DNAME
        parsed = reader.name(name) && reader.offset() == end;
        text = nameText(name);
        break;
    case 15: { // MX
        std::uint16_t preference = 0;
        parsed = reader.u16(preference) && reader.name(name) && reader.offset() == end;
        text = fmt::format("{} {}", preference, nameText(name));
        break;
    }
    case 6: { // SOA
        Name responsible;
        std::uint32_t values[5] = {};
        parsed = reader.name(name) && reader.name(responsible);
        for (auto& value : values) {
            parsed = parsed && reader.u32(value);
        }
        parsed = parsed && reader.offset() == end;
        text = fmt::format("{} {} {} {} {} {} {}", nameText(name), nameText(responsible), values[0],
                           values[1], values[2], values[3], values[4]);
        break;
    }
    case 16: { // TXT
        std::size_t at = 0;
        while (parsed && at < raw.size()) {
            const auto size = static_cast<unsigned char>(raw[at]);
            parsed = at + 1 + size <= raw.size();
            if (parsed) {
                text += (text.empty() ? "" : " ") + characterString(raw.substr(at + 1, size));
            }
            at += 1 + size;
        }
        parsed = parsed && !raw.empty();
        break;
    }
    default:
        text = unknownData(raw);
        break;
    }
    reader.seek(end);
    return parsed ? text : unknownData(raw);
}

bool readRecords(Reader& reader, std::uint16_t count, std::vector<Record>& out,
                 std::optional<Edns>* edns, unsigned* rcode) {
    for (std::uint16_t i = 0; i < count; ++i) {
        Record record;
        std::uint16_t length = 0;
        if (!reader.name(record.name) || !reader.u16(record.type) || !reader.u16(record.klass) ||
            !reader.u32(record.ttl) || !reader.u16(length)) {
            return false;
        }
        if (record.type == kTypeOpt && edns != nullptr) {
            if (edns->has_value() || !record.name.empty()) {
                return false;
            }
            Edns value;
            value.udpSize = record.klass;
            *rcode |= (record.ttl >> 24 & 0xff) << 4;
            value.version = static_cast<std::uint8_t>(record.ttl >> 16);
            value.dnssecOk = (record.ttl & 0x8000) != 0;
            value.otherFlags = static_cast<std::uint16_t>(record.ttl & 0x7fff);
            const std::size_t end = reader.offset() + length;
            while (reader.offset() < end) {
                EdnsOption option;
                std::uint16_t size = 0;
                std::string_view data;
                if (!reader.u16(option.code) || !reader.u16(size) || reader.offset() + size > end ||
                    !reader.bytes(size, data)) {
                    return false;
                }
                option.value = std::string(data);
                value.options.push_back(std::move(option));
            }
            if (reader.offset() != end) {
                return false;
            }
            *edns = std::move(value);
            continue;
        }
        const auto data = dataText(reader, record.type, length);
        if (!data) {
            return false;
        }
        record.data = *data;
        out.push_back(std::move(record));
    }
    return true;
}

// Column arithmetic of BIND's master-file style: tab stops every 8, and at
// least one blank between fields.
void indentTo(std::string& out, std::size_t& column, std::size_t to) {
    if (column >= to) {
        to = column + 1;
    }
    const std::size_t tabs = to / 8 - column / 8;
    if (tabs > 0) {
        out.append(tabs, '\t');
        column = to / 8 * 8;
    }
    out.append(to - column, ' ');
    column = to;
}

std::string recordLine(const Record& record) {
    std::string out = nameText(record.name);
    std::size_t column = out.size();
    const std::string ttl = fmt::format("{}", record.ttl);
    indentTo(out, column, 24);
    out += ttl;
    column += ttl.size();
    indentTo(out, column, 32);
    out += classText(record.klass);
    column += classText(record.klass).size();
    indentTo(out, column, 40);
    out += typeText(record.type);
    column += typeText(record.type).size();
    indentTo(out, column, 48);
    return out + record.data + "\n";
}

std::string questionLine(const Question& question) {
    const std::string name = nameText(question.name);
    std::string out = ";" + name;
    std::size_t column = name.size();
    indentTo(out, column, 24);
    indentTo(out, column, 32);
    out += classText(question.klass);
    column += classText(question.klass).size();
    indentTo(out, column, 40);
    return out + typeText(question.type) + "\n";
}

std::string section(std::string_view title, const std::vector<Record>& records) {
    if (records.empty()) {
        return {};
    }
    std::string out = fmt::format(";; {} SECTION:\n", title);
    for (const Record& record : records) {
        out += recordLine(record);
    }
    return out + "\n";
}

std::string opcodeText(unsigned opcode) {
    static constexpr const char* kNames[] = {"QUERY",     "IQUERY", "STATUS",
                                             "RESERVED3", "NOTIFY", "UPDATE"};
    return opcode < std::size(kNames) ? kNames[opcode] : fmt::format("RESERVED{}", opcode);
}

std::string ednsText(const Edns& edns) {
    std::string out =
        fmt::format("; EDNS: version: {}, flags:{}", edns.version, edns.dnssecOk ? " do" : "");
    if (edns.otherFlags != 0) {
        out += fmt::format("; MBZ: 0x{:04x}", edns.otherFlags);
    }
    out += fmt::format("; udp: {}\n", edns.udpSize);
    for (const EdnsOption& option : edns.options) {
        if (option.code == 10) {
            out += fmt::format("; COOKIE: {}\n", hex(option.value));
        } else {
            out += fmt::format("; OPT={}: {}\n", option.code, hex(option.value));
        }
    }
    return out;
}

} // namespace

std::variant<Name, std::string> parseName(std::string_view text) {
    Name name;
    std::string label;
    if (text == ".") {
        return name;
    }
    if (text.empty()) {
        return std::string("empty label");
    }
    bool pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.') {
            if (label.empty()) {
                return std::string("empty label");
            }
            name.push_back(std::move(label));
            label.clear();
            pending = false;
            continue;
        }
        pending = true;
        if (c == '\\') {
            if (i + 1 >= text.size()) {
                return std::string("unexpected end of input");
            }
            const char next = text[i + 1];
            if (next >= '0' && next <= '9') {
                if (i + 3 >= text.size()) {
                    return std::string("unexpected end of input");
                }
                int value = 0;
                for (std::size_t k = 1; k <= 3; ++k) {
                    const char digit = text[i + k];
                    if (digit < '0' || digit > '9') {
                        return std::string("bad escape");
                    }
                    value = value * 10 + (digit - '0');
                }
                if (value > 255) {
                    return std::string("bad escape");
                }
                c = static_cast<char>(value);
                i += 3;
            } else {
                c = next;
                i += 1;
            }
        }
        label += c;
        if (label.size() > kMaxLabel) {
            return std::string("label too long");
        }
    }
    if (pending) {
        name.push_back(std::move(label));
    }
    if (wireLength(name) > kMaxWireName) {
        return std::string("ran out of space");
    }
    return name;
}

std::string nameText(const Name& name) {
    if (name.empty()) {
        return ".";
    }
    std::string out;
    for (const auto& label : name) {
        out += labelText(label);
        out += '.';
    }
    return out;
}

std::string encodeQuery(std::uint16_t id, const Name& name, std::uint16_t type) {
    std::string out;
    put16(out, id);
    put16(out, 0x0100); // recursion desired
    put16(out, 1);
    put16(out, 0);
    put16(out, 0);
    put16(out, 1);
    putName(out, name);
    put16(out, type);
    put16(out, 1);
    // OPT: root owner, UDP size 1232, extended rcode 0, version 0, no flags.
    out += '\0';
    put16(out, kTypeOpt);
    put16(out, 1232);
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    return out;
}

std::optional<Message> decodeMessage(std::string_view wire) {
    Reader reader(wire);
    Message message;
    std::uint16_t counts[4] = {};
    if (!reader.u16(message.id) || !reader.u16(message.flags)) {
        return std::nullopt;
    }
    for (auto& count : counts) {
        if (!reader.u16(count)) {
            return std::nullopt;
        }
    }
    message.rcode = message.flags & 0x0f;
    for (std::uint16_t i = 0; i < counts[0]; ++i) {
        Question question;
        if (!reader.name(question.name) || !reader.u16(question.type) ||
            !reader.u16(question.klass)) {
            return std::nullopt;
        }
        message.questions.push_back(std::move(question));
    }
    if (!readRecords(reader, counts[1], message.answers, nullptr, nullptr) ||
        !readRecords(reader, counts[2], message.authority, nullptr, nullptr) ||
        !readRecords(reader, counts[3], message.additional, &message.edns, &message.rcode)) {
        return std::nullopt;
    }
    return message;
}

std::string rcodeText(unsigned rcode) {
    static constexpr const char* kNames[] = {
        "NOERROR",    "FORMERR",    "SERVFAIL",   "NXDOMAIN",   "NOTIMP",  "REFUSED",
        "YXDOMAIN",   "YXRRSET",    "NXRRSET",    "NOTAUTH",    "NOTZONE", "RESERVED11",
        "RESERVED12", "RESERVED13", "RESERVED14", "RESERVED15", "BADVERS"};
    return rcode < std::size(kNames) ? kNames[rcode] : fmt::format("{}", rcode);
}

std::string typeText(std::uint16_t type) {
    switch (type) {
    case 1:
        return "A";
    case 2:
        return "NS";
    case 5:
        return "CNAME";
    case 6:
        return "SOA";
    case 12:
        return "PTR";
    case 15:
        return "MX";
    case 16:
        return "TXT";
    case 28:
        return "AAAA";
    case 33:
        return "SRV";
    case 39:
        return "DNAME";
    case 41:
        return "OPT";
    case 43:
        return "DS";
    case 46:
        return "RRSIG";
    case 47:
        return "NSEC";
    case 48:
        return "DNSKEY";
    case 64:
        return "SVCB";
    case 65:
        return "HTTPS";
    default:
        return fmt::format("TYPE{}", type);
    }
}

std::string classText(std::uint16_t klass) {
    switch (klass) {
    case 1:
        return "IN";
    case 3:
        return "CH";
    case 4:
        return "HS";
    default:
        return fmt::format("CLASS{}", klass);
    }
}

std::string formatReply(const Message& message) {
    std::string out = ";; Got answer:\n";
    out +=
        fmt::format(";; ->>HEADER<<- opcode: {}, status: {}, id: {}\n",
                    opcodeText(message.flags >> 11 & 0x0f), rcodeText(message.rcode), message.id);
    std::string flags;
    static constexpr std::pair<std::uint16_t, const char*> kFlags[] = {
        {0x8000, "qr"}, {0x0400, "aa"}, {0x0200, "tc"}, {0x0100, "rd"},
        {0x0080, "ra"}, {0x0020, "ad"}, {0x0010, "cd"}};
    for (const auto& [bit, text] : kFlags) {
        if ((message.flags & bit) != 0) {
            flags += fmt::format(" {}", text);
        }
    }
    out += fmt::format(";; flags:{}; QUERY: {}, ANSWER: {}, AUTHORITY: {}, ADDITIONAL: {}\n", flags,
                       message.questions.size(), message.answers.size(), message.authority.size(),
                       message.additional.size() + (message.edns ? 1 : 0));
    if ((message.flags & 0x0100) != 0 && (message.flags & 0x0080) == 0) {
        out += ";; WARNING: recursion requested but not available\n";
    }
    out += "\n";
    if (message.edns) {
        out += ";; OPT PSEUDOSECTION:\n" + ednsText(*message.edns);
    }
    if (!message.questions.empty()) {
        out += ";; QUESTION SECTION:\n";
        for (const Question& question : message.questions) {
            out += questionLine(question);
        }
        out += "\n";
    }
    out += section("ANSWER", message.answers);
    out += section("AUTHORITY", message.authority);
    out += section("ADDITIONAL", message.additional);
    return out;
}

} // namespace lumra::dns
