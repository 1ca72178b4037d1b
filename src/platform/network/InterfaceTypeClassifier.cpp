#include "platform/network/InterfaceTypeClassifier.h"

#include <filesystem>
#include <fstream>
#include <net/if_arp.h>
#include <string_view>

namespace lumra {

namespace {

// Raw-IP WWAN links (qmi_wwan, MHI modems); older C headers lack the name.
constexpr unsigned short hardwareTypeRawIp = 519;

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace

NetworkInterfaceType classifyInterfaceType(unsigned short hardwareType,
                                           const InterfaceSysfsFacts& sysfs) {
    if (sysfs.hasWirelessDirectory || sysfs.deviceType == "wlan")
        return NetworkInterfaceType::wifi;
    if (sysfs.deviceType == "wwan" || hardwareType == hardwareTypeRawIp)
        return NetworkInterfaceType::cellular;
    if (hardwareType == ARPHRD_ETHER)
        return NetworkInterfaceType::wiredEthernet;
    return NetworkInterfaceType::other;
}

InterfaceSysfsFacts readInterfaceSysfsFacts(const std::string& netRoot, const std::string& name) {
    InterfaceSysfsFacts facts;
    if (!isPlainName(name))
        return facts;
    const std::filesystem::path device = std::filesystem::path(netRoot) / name;
    std::error_code error;
    facts.hasWirelessDirectory = std::filesystem::is_directory(device / "wireless", error) ||
                                 std::filesystem::exists(device / "phy80211", error);
    std::ifstream uevent(device / "uevent");
    constexpr std::string_view key = "DEVTYPE=";
    for (std::string line; std::getline(uevent, line);) {
        if (line.starts_with(key)) {
            facts.deviceType = line.substr(key.size());
            break;
        }
    }
    return facts;
}

} // namespace lumra
