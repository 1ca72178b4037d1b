// Checked reading of netlink attributes. Every attribute a decoder names is
// checked once, for its kind and length, when the table is built; one of the
// wrong size counts as absent, so no decoder reads past a short payload.
// Pure; any thread. The table points into the message it was built from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct nlattr;
struct nlmsghdr;

namespace lumra {

enum class NetlinkAttributeKind { flag, u8, s8, u16, u32, s32, u64, string, binary, nested };

struct NetlinkAttributeRule {
    int type;
    NetlinkAttributeKind kind;
    // Payload bounds for string and binary; fixed-size kinds ignore them.
    std::size_t minLength = 0;
    std::size_t maxLength = std::numeric_limits<std::size_t>::max();
};

class NetlinkAttributes {
public:
    // Attributes no rule names are skipped; a stream that ends inside an
    // attribute header stops there.
    static NetlinkAttributes parse(const nlattr* head, int length,
                                   std::span<const NetlinkAttributeRule> rules);
    // The attributes inside a nested attribute.
    static NetlinkAttributes parseNested(const nlattr* container,
                                         std::span<const NetlinkAttributeRule> rules);
    // The attributes after the generic-netlink header of a message; none when
    // the message is too short to hold that header.
    static std::optional<NetlinkAttributes> parseGenl(const nlmsghdr* message,
                                                      std::span<const NetlinkAttributeRule> rules);

    bool has(int type) const;
    bool flag(int type) const;
    std::optional<std::uint8_t> u8(int type) const;
    std::optional<std::int8_t> s8(int type) const;
    std::optional<std::uint16_t> u16(int type) const;
    std::optional<std::uint32_t> u32(int type) const;
    std::optional<std::int32_t> s32(int type) const;
    std::optional<std::uint64_t> u64(int type) const;
    // Up to the first NUL; the kernel terminates most strings, not all.
    std::optional<std::string> string(int type) const;
    std::optional<std::span<const std::uint8_t>> bytes(int type) const;
    // The attributes nested in this one, checked against their own rules.
    std::optional<NetlinkAttributes> nested(int type,
                                            std::span<const NetlinkAttributeRule> rules) const;
    // Each attribute nested in this one, in order (nl80211 lists, such as the
    // multicast groups, nest one attribute per element).
    std::vector<const nlattr*> nestedList(int type) const;

private:
    struct Entry {
        NetlinkAttributeRule rule;
        const nlattr* attribute = nullptr;
    };

    const nlattr* find(int type, NetlinkAttributeKind kind) const;
    std::span<const std::uint8_t> payload(int type, NetlinkAttributeKind kind) const;
    template <class T> std::optional<T> scalar(int type, NetlinkAttributeKind kind) const;

    std::vector<Entry> m_entries;
};

} // namespace lumra
