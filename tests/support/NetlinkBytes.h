// Netlink datagrams put together byte by byte, well formed or not, for the
// tests of the parsers that walk them.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <span>
#include <vector>

namespace lumra::test {

using Bytes = std::vector<std::uint8_t>;

template <class T> Bytes bytesOf(const T& value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// The parts one after another, each but the last padded to 4 bytes, as the
// kernel lays out messages and attributes.
inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts) {
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

// A message, not padded. length: what its header claims instead of its size.
inline Bytes netlinkMessage(std::uint16_t type, std::uint32_t sequence, const Bytes& payload,
                            std::optional<std::uint32_t> length = {}) {
    nlmsghdr header{};
    header.nlmsg_len = length.value_or(static_cast<std::uint32_t>(NLMSG_LENGTH(payload.size())));
    header.nlmsg_type = type;
    header.nlmsg_flags = NLM_F_MULTI;
    header.nlmsg_seq = sequence;
    Bytes bytes = bytesOf(header);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

// A route attribute, not padded; length as for a message.
inline Bytes routeAttribute(std::uint16_t type, const Bytes& payload,
                            std::optional<std::uint16_t> length = {}) {
    rtattr header{};
    header.rta_len = length.value_or(static_cast<std::uint16_t>(RTA_LENGTH(payload.size())));
    header.rta_type = type;
    Bytes bytes = bytesOf(header);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

// A datagram as received: aligned as a receive buffer is, and followed in
// the same buffer, from the next 4-byte boundary, by what a walk that ran
// past its end would find there.
class ReceivedDatagram {
public:
    explicit ReceivedDatagram(const Bytes& datagram, const Bytes& beyond = {})
        : m_size(datagram.size()) {
        const Bytes all = joined({datagram, beyond});
        m_storage.resize((all.size() + 3) / 4);
        std::memcpy(m_storage.data(), all.data(), all.size());
    }

    std::span<const std::uint8_t> bytes() const {
        return {reinterpret_cast<const std::uint8_t*>(m_storage.data()), m_size};
    }

private:
    std::vector<std::uint32_t> m_storage;
    std::size_t m_size;
};

} // namespace lumra::test
