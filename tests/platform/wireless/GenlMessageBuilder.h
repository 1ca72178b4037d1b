// Builds generic-netlink messages with libnl, the way the kernel lays them
// out, for the decoders under test.
#pragma once

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <span>
#include <string>
#include <vector>

namespace lumra::test {

class GenlMessageBuilder {
public:
    explicit GenlMessageBuilder(std::uint8_t command, std::uint16_t family = 0x1c)
        : m_message(nlmsg_alloc()) {
        genlmsg_put(m_message.get(), 0, 1, family, 0, 0, command, 0);
    }

    GenlMessageBuilder& u8(int type, std::uint8_t value) {
        return check(nla_put_u8(m_message.get(), type, value));
    }
    GenlMessageBuilder& s8(int type, std::int8_t value) {
        return check(nla_put_u8(m_message.get(), type, static_cast<std::uint8_t>(value)));
    }
    GenlMessageBuilder& u16(int type, std::uint16_t value) {
        return check(nla_put_u16(m_message.get(), type, value));
    }
    GenlMessageBuilder& u32(int type, std::uint32_t value) {
        return check(nla_put_u32(m_message.get(), type, value));
    }
    GenlMessageBuilder& s32(int type, std::int32_t value) {
        return check(nla_put_u32(m_message.get(), type, static_cast<std::uint32_t>(value)));
    }
    GenlMessageBuilder& flag(int type) { return check(nla_put_flag(m_message.get(), type)); }
    GenlMessageBuilder& string(int type, const std::string& value) {
        return check(nla_put_string(m_message.get(), type, value.c_str()));
    }
    GenlMessageBuilder& bytes(int type, std::vector<std::uint8_t> value) {
        return check(nla_put(m_message.get(), type, static_cast<int>(value.size()), value.data()));
    }
    GenlMessageBuilder& nest(int type, const std::function<void(GenlMessageBuilder&)>& body) {
        nlattr* start = nla_nest_start(m_message.get(), type);
        EXPECT_NE(start, nullptr);
        body(*this);
        nla_nest_end(m_message.get(), start);
        return *this;
    }

    const nlmsghdr* header() const { return nlmsg_hdr(m_message.get()); }

    // A copy of the message with its length field cut to `length` bytes.
    std::vector<std::uint8_t> truncatedCopy(std::uint32_t length) const {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(header());
        std::vector<std::uint8_t> copy(begin, begin + header()->nlmsg_len);
        auto* copied = reinterpret_cast<nlmsghdr*>(copy.data());
        copied->nlmsg_len = length;
        return copy;
    }

private:
    struct Deleter {
        void operator()(nl_msg* message) const { nlmsg_free(message); }
    };

    GenlMessageBuilder& check(int result) {
        EXPECT_EQ(result, 0);
        return *this;
    }

    std::unique_ptr<nl_msg, Deleter> m_message;
};

} // namespace lumra::test
