// An IPv4 address whose label names another interface ("utun7" on a veth):
// lumra-systool's ifconfig lists it under the interface that holds it, and
// the tunnel parser sees no tunnel.
#include "base/NetlinkPayload.h"
#include "base/UniqueFd.h"
#include "probes/parsers/TunnelInterfacesParser.h"
#include "systool/Ifconfig.h"
#include "systool/InterfaceReader.h"
#include "tests/faults/FaultNamespace.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {
namespace {

void addAttribute(nlmsghdr& header, std::size_t capacity, unsigned short type, const void* data,
                  std::size_t size) {
    const std::size_t offset = NLMSG_ALIGN(header.nlmsg_len);
    ASSERT_LE(offset + RTA_LENGTH(size), capacity);
    auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&header) + offset);
    attribute->rta_type = type;
    attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
    std::memcpy(RTA_DATA(attribute), data, size);
    header.nlmsg_len = static_cast<std::uint32_t>(offset + RTA_ALIGN(attribute->rta_len));
}

// `ip address add ... label` refuses a label that does not begin with the
// device's name; the kernel itself takes any.
void addLabelledAddress(const char* device, const char* address, unsigned char prefix,
                        const char* label) {
    alignas(nlmsghdr) char buffer[512] = {};
    auto& header = *reinterpret_cast<nlmsghdr*>(buffer);
    header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    header.nlmsg_type = RTM_NEWADDR;
    header.nlmsg_flags = NLM_F_REQUEST | NLM_F_CREATE | NLM_F_EXCL | NLM_F_ACK;
    auto* message = static_cast<ifaddrmsg*>(const_cast<void*>(netlinkPayload(&header)));
    message->ifa_family = AF_INET;
    message->ifa_prefixlen = prefix;
    message->ifa_index = if_nametoindex(device);
    ASSERT_NE(message->ifa_index, 0u) << device;
    in_addr bytes{};
    ASSERT_EQ(inet_pton(AF_INET, address, &bytes), 1);
    addAttribute(header, sizeof buffer, IFA_LOCAL, &bytes, 4);
    addAttribute(header, sizeof buffer, IFA_ADDRESS, &bytes, 4);
    addAttribute(header, sizeof buffer, IFA_LABEL, label, std::strlen(label) + 1);

    const UniqueFd fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    ASSERT_TRUE(fd);
    ASSERT_EQ(send(fd.get(), buffer, header.nlmsg_len, 0), static_cast<ssize_t>(header.nlmsg_len));
    alignas(nlmsghdr) char answer[1024];
    const ssize_t received = recv(fd.get(), answer, sizeof answer, 0);
    ASSERT_GT(received, 0);
    const auto* reply = reinterpret_cast<const nlmsghdr*>(answer);
    ASSERT_EQ(reply->nlmsg_type, NLMSG_ERROR);
    EXPECT_EQ(static_cast<const nlmsgerr*>(netlinkPayload(reply))->error, 0)
        << "the kernel refused the address";
}

TEST(InterfaceLabelTest, AnAddressLabelNeverNamesAnInterface) {
    ASSERT_TRUE(test::insideTestNamespace()) << "runs only inside its ctest namespace";
    ASSERT_EQ(std::system("ip link add lfa0 type veth peer name lfb0 && ip link set lfa0 up"), 0);
    addLabelledAddress("lfa0", "10.77.0.1", 24, "utun7");
    addLabelledAddress("lfa0", "10.77.1.1", 24, "lfa0:extra");

    const auto interfaces = readNetworkInterfaces();
    const std::string listing = formatIfconfig(interfaces);
    EXPECT_EQ(listing.find("utun7"), std::string::npos) << listing;
    EXPECT_TRUE(parseTunnelInterfaces(listing).empty()) << listing;
    const auto veth = std::find_if(interfaces.begin(), interfaces.end(),
                                   [](const auto& i) { return i.name == "lfa0"; });
    ASSERT_NE(veth, interfaces.end()) << listing;
    EXPECT_EQ(veth->index, if_nametoindex("lfa0"));
    std::vector<std::string> addresses;
    for (const auto& entry : veth->addresses)
        addresses.push_back(entry.address.text());
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "10.77.0.1"), addresses.end())
        << listing;
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "10.77.1.1"), addresses.end())
        << listing;
    for (const auto& interface : interfaces)
        EXPECT_EQ(interface.index, if_nametoindex(interface.name.c_str())) << interface.name;

    std::system("ip link delete lfa0");
}

} // namespace
} // namespace lumra
