// The rtnetlink dump's reading of one received datagram, well formed and
// not: a walk stops at a message or attribute that does not lie wholly
// inside what holds it, and never reads on past the datagram.
#include "platform/network/RtnetlinkDump.h"

#include "tests/support/NetlinkBytes.h"

#include <gtest/gtest.h>
#include <linux/if_arp.h>
#include <linux/rtnetlink.h>
#include <string>

namespace lumra {
namespace {

using test::Bytes;
using test::bytesOf;
using test::joined;
using test::netlinkMessage;
using test::routeAttribute;

constexpr std::uint32_t sequence = 1;

Bytes text(const std::string& name) {
    return Bytes(name.c_str(), name.c_str() + name.size() + 1);
}

// An up Ethernet link; its name "eth<index>" ends the message unpadded
// (a 9-byte attribute), so the message's length is no multiple of 4.
Bytes link(int index, std::optional<std::uint32_t> length = {}) {
    ifinfomsg info{};
    info.ifi_index = index;
    info.ifi_type = ARPHRD_ETHER;
    info.ifi_flags = IFF_UP | IFF_RUNNING;
    return netlinkMessage(
        RTM_NEWLINK, sequence,
        joined({bytesOf(info), routeAttribute(IFLA_IFNAME, text("eth" + std::to_string(index)))}),
        length);
}

// bytes and then count bytes more, unpadded.
Bytes followedBy(Bytes bytes, std::size_t count) {
    bytes.resize(bytes.size() + count);
    return bytes;
}

Bytes word(std::uint32_t value) {
    return bytesOf(value);
}

// A usable IPv4 default route in the main table with these attributes.
Bytes defaultRoute(std::initializer_list<Bytes> attributes) {
    rtmsg route{};
    route.rtm_family = AF_INET;
    route.rtm_table = RT_TABLE_MAIN;
    route.rtm_type = RTN_UNICAST;
    Bytes payload = bytesOf(route);
    const Bytes joinedAttributes = joined(attributes);
    payload.insert(payload.end(), joinedAttributes.begin(), joinedAttributes.end());
    return netlinkMessage(RTM_NEWROUTE, sequence, payload);
}

Bytes nextHop(int index, std::optional<unsigned short> length = {}) {
    rtnexthop hop{};
    hop.rtnh_len = length.value_or(sizeof hop);
    hop.rtnh_ifindex = index;
    return bytesOf(hop);
}

Bytes done() {
    return netlinkMessage(NLMSG_DONE, sequence, word(0));
}

// The link index 99 stands for whatever lies past a datagram's end.
const Bytes phantomLink = link(99);

struct Case {
    const char* name;
    RoutingDump kind;
    Bytes datagram;
    Bytes beyond; // in the receive buffer past the datagram
    NetlinkDumpStep step;
    std::vector<int> indices; // links read, or default routes' interfaces
};

TEST(RtnetlinkDatagramTest, ReadsWhatLiesInsideTheDatagramAndStopsAtAMalformedTail) {
    nlmsgerr error{};
    error.error = -EPERM;
    const Bytes shortHeader(8, 0x10);
    const Case cases[] = {
        {"links to the end of the dump",
         RoutingDump::links,
         joined({link(1), link(2), done()}),
         phantomLink,
         NetlinkDumpStep::done,
         {1, 2}},
        {"another dump's message is passed over",
         RoutingDump::links,
         joined({netlinkMessage(RTM_NEWLINK, 7, bytesOf(ifinfomsg{})), link(1)}),
         {},
         NetlinkDumpStep::more,
         {1}},
        {"an error ends the dump",
         RoutingDump::links,
         joined({link(1), netlinkMessage(NLMSG_ERROR, sequence, bytesOf(error)), link(2)}),
         {},
         NetlinkDumpStep::failed,
         {1}},
        {"a final header cut short",
         RoutingDump::links,
         joined({link(1), shortHeader}),
         phantomLink,
         NetlinkDumpStep::more,
         {1}},
        {"a length smaller than the header",
         RoutingDump::links,
         joined({link(1), netlinkMessage(RTM_NEWLINK, sequence, Bytes(16, 0), 8), link(2)}),
         phantomLink,
         NetlinkDumpStep::more,
         {1}},
        {"a zero length",
         RoutingDump::links,
         joined({link(1), netlinkMessage(RTM_NEWLINK, sequence, Bytes(16, 0), 0)}),
         phantomLink,
         NetlinkDumpStep::more,
         {1}},
        // The message fills the datagram but its aligned length is 3 bytes
        // more: an unsigned count wraps there and the walk reads on.
        {"a final length that is no multiple of 4",
         RoutingDump::links,
         joined({link(1), link(2)}),
         phantomLink,
         NetlinkDumpStep::more,
         {1, 2}},
        {"a final aligned length past the end",
         RoutingDump::links,
         joined({link(1), followedBy(link(2), 1)}),
         phantomLink,
         NetlinkDumpStep::more,
         {1, 2}},
        {"a final length past the end",
         RoutingDump::links,
         joined({link(1), link(2, 200)}),
         phantomLink,
         NetlinkDumpStep::more,
         {1}},
        {"a default route to the end of the dump",
         RoutingDump::routes,
         joined({defaultRoute({routeAttribute(RTA_OIF, word(3))}), done()}),
         {},
         NetlinkDumpStep::done,
         {3}},
        {"an attribute shorter than its header",
         RoutingDump::routes,
         joined({defaultRoute({routeAttribute(RTA_OIF, word(3)), routeAttribute(RTA_TABLE, {}, 2),
                               routeAttribute(RTA_OIF, word(5))}),
                 done()}),
         {},
         NetlinkDumpStep::done,
         {3}},
        {"an attribute past its message",
         RoutingDump::routes,
         joined({defaultRoute(
                     {routeAttribute(RTA_OIF, word(3)), routeAttribute(RTA_OIF, word(5), 40)}),
                 done()}),
         {},
         NetlinkDumpStep::done,
         {3}},
        // Past the message (and the datagram) lies what reads as a route's
        // output interface.
        {"a final attribute whose length is no multiple of 4",
         RoutingDump::routes,
         defaultRoute({routeAttribute(RTA_OIF, word(3)), routeAttribute(RTA_PRIORITY, Bytes{1})}),
         routeAttribute(RTA_OIF, word(99)),
         NetlinkDumpStep::more,
         {3}},
        {"a next hop past its attribute",
         RoutingDump::routes,
         joined(
             {defaultRoute({routeAttribute(RTA_MULTIPATH, joined({nextHop(4), nextHop(6, 100)}))}),
              done()}),
         {},
         NetlinkDumpStep::done,
         {4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::ReceivedDatagram received(c.datagram, c.beyond);
        RoutingFacts facts;
        EXPECT_EQ(readRoutingDatagram(received.bytes(), sequence, c.kind, facts), c.step);
        std::vector<int> indices = facts.defaultRouteInterfaces;
        for (const LinkFacts& link : facts.links) {
            indices.push_back(link.index);
            EXPECT_EQ(link.name, "eth" + std::to_string(link.index));
        }
        EXPECT_EQ(indices, c.indices);
    }
}

} // namespace
} // namespace lumra
