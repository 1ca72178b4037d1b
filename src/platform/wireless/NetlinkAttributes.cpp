#include "platform/wireless/NetlinkAttributes.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

namespace lumra {

namespace {

std::optional<std::size_t> fixedLength(NetlinkAttributeKind kind) {
    switch (kind) {
    case NetlinkAttributeKind::flag:
        return 0;
    case NetlinkAttributeKind::u8:
    case NetlinkAttributeKind::s8:
        return 1;
    case NetlinkAttributeKind::u16:
        return 2;
    case NetlinkAttributeKind::u32:
    case NetlinkAttributeKind::s32:
        return 4;
    case NetlinkAttributeKind::u64:
        return 8;
    case NetlinkAttributeKind::string:
    case NetlinkAttributeKind::binary:
    case NetlinkAttributeKind::nested:
        return std::nullopt;
    }
    return std::nullopt;
}

bool fitsRule(const NetlinkAttributeRule& rule, std::size_t length) {
    if (const auto fixed = fixedLength(rule.kind)) {
        return length == *fixed;
    }
    if (rule.kind == NetlinkAttributeKind::nested) {
        return true;
    }
    return length >= rule.minLength && length <= rule.maxLength;
}

} // namespace

NetlinkAttributes NetlinkAttributes::parse(const nlattr* head, int length,
                                           std::span<const NetlinkAttributeRule> rules) {
    NetlinkAttributes table;
    table.m_entries.reserve(rules.size());
    for (const auto& rule : rules) {
        table.m_entries.push_back(Entry{rule, nullptr});
    }
    if (head == nullptr || length <= 0) {
        return table;
    }
    int remaining = length;
    for (const nlattr* attribute = head; nla_ok(attribute, remaining);
         attribute = nla_next(attribute, &remaining)) {
        const int type = nla_type(attribute);
        auto entry = std::find_if(table.m_entries.begin(), table.m_entries.end(),
                                  [type](const Entry& e) { return e.rule.type == type; });
        if (entry == table.m_entries.end()) {
            continue;
        }
        const auto payloadLength = static_cast<std::size_t>(nla_len(attribute));
        // The last well-formed copy wins, as with the kernel's own parser.
        if (fitsRule(entry->rule, payloadLength)) {
            entry->attribute = attribute;
        }
    }
    return table;
}

NetlinkAttributes NetlinkAttributes::parseNested(const nlattr* container,
                                                 std::span<const NetlinkAttributeRule> rules) {
    return parse(static_cast<const nlattr*>(nla_data(container)), nla_len(container), rules);
}

std::optional<NetlinkAttributes>
NetlinkAttributes::parseGenl(const nlmsghdr* message, std::span<const NetlinkAttributeRule> rules) {
    if (message == nullptr || message->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN) {
        return std::nullopt;
    }
    const auto* base = reinterpret_cast<const std::uint8_t*>(message);
    const auto* head = reinterpret_cast<const nlattr*>(base + NLMSG_HDRLEN + GENL_HDRLEN);
    const int length = static_cast<int>(message->nlmsg_len - NLMSG_HDRLEN - GENL_HDRLEN);
    return parse(head, length, rules);
}

const nlattr* NetlinkAttributes::find(int type, NetlinkAttributeKind kind) const {
    for (const auto& entry : m_entries) {
        if (entry.rule.type == type) {
            assert(entry.rule.kind == kind && "attribute read as another kind than its rule says");
            return entry.rule.kind == kind ? entry.attribute : nullptr;
        }
    }
    assert(false && "attribute read without a rule");
    return nullptr;
}

std::span<const std::uint8_t> NetlinkAttributes::payload(int type,
                                                         NetlinkAttributeKind kind) const {
    const nlattr* attribute = find(type, kind);
    if (attribute == nullptr) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(nla_data(attribute)),
            static_cast<std::size_t>(nla_len(attribute))};
}

bool NetlinkAttributes::has(int type) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [type](const Entry& e) {
        return e.rule.type == type && e.attribute != nullptr;
    });
}

bool NetlinkAttributes::flag(int type) const {
    return find(type, NetlinkAttributeKind::flag) != nullptr;
}

template <class T>
std::optional<T> NetlinkAttributes::scalar(int type, NetlinkAttributeKind kind) const {
    const auto bytes = payload(type, kind);
    if (bytes.size() != sizeof(T)) {
        return std::nullopt;
    }
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

std::optional<std::uint8_t> NetlinkAttributes::u8(int type) const {
    return scalar<std::uint8_t>(type, NetlinkAttributeKind::u8);
}
std::optional<std::int8_t> NetlinkAttributes::s8(int type) const {
    return scalar<std::int8_t>(type, NetlinkAttributeKind::s8);
}
std::optional<std::uint16_t> NetlinkAttributes::u16(int type) const {
    return scalar<std::uint16_t>(type, NetlinkAttributeKind::u16);
}
std::optional<std::uint32_t> NetlinkAttributes::u32(int type) const {
    return scalar<std::uint32_t>(type, NetlinkAttributeKind::u32);
}
std::optional<std::int32_t> NetlinkAttributes::s32(int type) const {
    return scalar<std::int32_t>(type, NetlinkAttributeKind::s32);
}
std::optional<std::uint64_t> NetlinkAttributes::u64(int type) const {
    return scalar<std::uint64_t>(type, NetlinkAttributeKind::u64);
}

std::optional<std::string> NetlinkAttributes::string(int type) const {
    if (find(type, NetlinkAttributeKind::string) == nullptr) {
        return std::nullopt;
    }
    const auto bytes = payload(type, NetlinkAttributeKind::string);
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

std::optional<std::span<const std::uint8_t>> NetlinkAttributes::bytes(int type) const {
    if (find(type, NetlinkAttributeKind::binary) == nullptr) {
        return std::nullopt;
    }
    return payload(type, NetlinkAttributeKind::binary);
}

std::optional<NetlinkAttributes>
NetlinkAttributes::nested(int type, std::span<const NetlinkAttributeRule> rules) const {
    const nlattr* attribute = find(type, NetlinkAttributeKind::nested);
    if (attribute == nullptr) {
        return std::nullopt;
    }
    return parseNested(attribute, rules);
}

std::vector<const nlattr*> NetlinkAttributes::nestedList(int type) const {
    std::vector<const nlattr*> elements;
    const nlattr* attribute = find(type, NetlinkAttributeKind::nested);
    if (attribute == nullptr) {
        return elements;
    }
    int remaining = nla_len(attribute);
    for (const auto* element = static_cast<const nlattr*>(nla_data(attribute));
         nla_ok(element, remaining); element = nla_next(element, &remaining)) {
        elements.push_back(element);
    }
    return elements;
}

} // namespace lumra
