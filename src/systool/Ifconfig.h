// "ifconfig": the BSD listing of every interface, built from the Linux
// interface records.
#pragma once

#include "systool/NetworkInterface.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// Names the BSD header line "name: flags=..." can carry so that its
// readers find it: ASCII letters, digits and "_" only.
bool isBsdInterfaceName(std::string_view name);

// The BSD flag word for Linux IFF_* flags, limited to the flags both systems
// share. NOARP and DEBUG are left out: with them the hexadecimal word could
// hold letters, and the listing's readers take the word as decimal digits.
std::uint32_t bsdInterfaceFlags(std::uint32_t linuxFlags);
// "flags=8843<UP,BROADCAST,RUNNING,MULTICAST>"
std::string bsdFlagsText(std::uint32_t bsdFlags);

// One block per interface in the given order; interfaces with names the
// header cannot carry are left out.
std::string formatIfconfig(const std::vector<NetworkInterface>& interfaces);

} // namespace lumra
