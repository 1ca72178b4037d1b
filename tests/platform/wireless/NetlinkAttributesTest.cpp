#include "platform/wireless/NetlinkAttributes.h"

#include "GenlMessageBuilder.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::GenlMessageBuilder;
using Kind = NetlinkAttributeKind;

constexpr NetlinkAttributeRule kRules[] = {
    {1, Kind::u32},          {2, Kind::u8},   {3, Kind::string, 1, 16},
    {4, Kind::binary, 6, 6}, {5, Kind::flag}, {6, Kind::nested},
    {7, Kind::s32},          {8, Kind::u16},  {9, Kind::u64},
};

constexpr NetlinkAttributeRule kInnerRules[] = {
    {1, Kind::s8},
};

TEST(NetlinkAttributesTest, ReadsEachKindAtItsExactSize) {
    GenlMessageBuilder message(1);
    message.u32(1, 0xdeadbeef)
        .u8(2, 7)
        .string(3, "wlan0")
        .bytes(4, {1, 2, 3, 4, 5, 6})
        .flag(5)
        .nest(6, [](GenlMessageBuilder& inner) { inner.s8(1, -92); })
        .s32(7, -4500)
        .u16(8, 1200);
    const auto attributes = NetlinkAttributes::parseGenl(message.header(), kRules);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->u32(1), 0xdeadbeefu);
    EXPECT_EQ(attributes->u8(2), 7);
    EXPECT_EQ(attributes->string(3), "wlan0");
    ASSERT_TRUE(attributes->bytes(4));
    EXPECT_EQ(attributes->bytes(4)->size(), 6u);
    EXPECT_TRUE(attributes->flag(5));
    EXPECT_EQ(attributes->nested(6, kInnerRules)->s8(1), -92);
    EXPECT_EQ(attributes->s32(7), -4500);
    EXPECT_EQ(attributes->u16(8), 1200);
    EXPECT_FALSE(attributes->u64(9));
    EXPECT_FALSE(attributes->has(9));
}

TEST(NetlinkAttributesTest, AttributeOfTheWrongSizeCountsAsAbsent) {
    GenlMessageBuilder message(1);
    message
        .u8(1, 3)                                // a u32 rule given one byte
        .u32(2, 3)                               // a u8 rule given four
        .string(3, "a-name-far-too-long-for-it") // above the bound
        .bytes(4, {1, 2, 3, 4, 5})               // a short address
        .u32(5, 1)                               // a flag with a payload
        .u8(9, 1);
    const auto attributes = NetlinkAttributes::parseGenl(message.header(), kRules);
    ASSERT_TRUE(attributes);
    EXPECT_FALSE(attributes->u32(1));
    EXPECT_FALSE(attributes->u8(2));
    EXPECT_FALSE(attributes->string(3));
    EXPECT_FALSE(attributes->bytes(4));
    EXPECT_FALSE(attributes->flag(5));
    EXPECT_FALSE(attributes->u64(9));
}

TEST(NetlinkAttributesTest, StringWithoutTerminatorIsTakenWhole) {
    GenlMessageBuilder message(1);
    message.bytes(3, {'w', 'l', 'a', 'n', '1'});
    EXPECT_EQ(NetlinkAttributes::parseGenl(message.header(), kRules)->string(3), "wlan1");
}

TEST(NetlinkAttributesTest, MessageCutInsideAnAttributeStopsBeforeIt) {
    GenlMessageBuilder message(1);
    message.u32(1, 5).u32(7, 9);
    // Drop the last two bytes: the second attribute no longer fits.
    auto copy = message.truncatedCopy(message.header()->nlmsg_len - 2);
    const auto attributes =
        NetlinkAttributes::parseGenl(reinterpret_cast<const nlmsghdr*>(copy.data()), kRules);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->u32(1), 5u);
    EXPECT_FALSE(attributes->s32(7));
}

TEST(NetlinkAttributesTest, MessageShorterThanItsHeadersHasNoAttributes) {
    GenlMessageBuilder message(1);
    auto copy = message.truncatedCopy(NLMSG_HDRLEN + 2);
    EXPECT_FALSE(
        NetlinkAttributes::parseGenl(reinterpret_cast<const nlmsghdr*>(copy.data()), kRules));
}

TEST(NetlinkAttributesTest, NestedListKeepsElementOrder) {
    GenlMessageBuilder message(1);
    message.nest(6, [](GenlMessageBuilder& list) {
        list.nest(1, [](GenlMessageBuilder& e) { e.s8(1, -1); });
        list.nest(2, [](GenlMessageBuilder& e) { e.s8(1, -2); });
    });
    const auto elements = NetlinkAttributes::parseGenl(message.header(), kRules)->nestedList(6);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(NetlinkAttributes::parseNested(elements[0], kInnerRules).s8(1), -1);
    EXPECT_EQ(NetlinkAttributes::parseNested(elements[1], kInnerRules).s8(1), -2);
}

} // namespace
} // namespace lumra
