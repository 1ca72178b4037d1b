// Decoding of the generic-netlink and nl80211 messages the client reads, and
// the pure steps that turn them into readings and scanned networks. Every
// decoder checks the command and each attribute's kind and length first
// (NetlinkAttributes); a message that is not what it claims decodes to none.
// Pure; any thread.
#pragma once

#include "platform/wireless/WirelessInterface.h"
#include "platform/wireless/WirelessLinkReading.h"
#include "platform/wireless/WirelessNetwork.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct nlmsghdr;

namespace lumra {

using MacAddressBytes = std::array<std::uint8_t, 6>;

struct GenlMulticastGroup {
    std::string name;
    std::uint32_t id;

    bool operator==(const GenlMulticastGroup&) const = default;
};

struct GenlFamilyInfo {
    std::uint16_t id;
    std::vector<GenlMulticastGroup> multicastGroups;

    std::optional<std::uint32_t> multicastGroup(std::string_view name) const;
    bool operator==(const GenlFamilyInfo&) const = default;
};

struct Nl80211InterfaceInfo {
    std::uint32_t ifindex;
    std::string name;
    std::optional<std::uint32_t> iftype;
    // The operating frequency; absent when the interface is on no channel.
    std::optional<std::uint32_t> frequencyMhz;
    std::optional<std::vector<std::uint8_t>> ssid;

    bool operator==(const Nl80211InterfaceInfo&) const = default;
};

struct Nl80211StationInfo {
    std::optional<MacAddressBytes> address;
    std::optional<std::int8_t> signalDbm;
    std::optional<std::uint32_t> transmitBitrate100Kbps;
    bool isTdlsPeer;
    // Absent when the driver does not report the flag.
    std::optional<bool> isAssociated;

    bool operator==(const Nl80211StationInfo&) const = default;
};

struct Nl80211SurveyInfo {
    std::uint32_t frequencyMhz;
    std::optional<std::int8_t> noiseDbm;
    bool inUse;

    bool operator==(const Nl80211SurveyInfo&) const = default;
};

struct Nl80211BssInfo {
    std::optional<MacAddressBytes> bssid;
    std::optional<std::uint32_t> frequencyMhz;
    std::optional<std::int32_t> signalMbm;
    std::optional<std::vector<std::uint8_t>> ssid;
    // NL80211_BSS_STATUS_*: whether the station is joined to this BSS.
    std::optional<std::uint32_t> status;
    // How long ago the kernel last heard it, when the dump was made.
    std::optional<std::uint32_t> seenMsAgo;

    bool operator==(const Nl80211BssInfo&) const = default;
};

enum class Nl80211ScanEvent { started, finished, aborted };

// CTRL_CMD_NEWFAMILY: the family id and its multicast groups.
std::optional<GenlFamilyInfo> decodeFamily(const nlmsghdr* message);
// NL80211_CMD_NEW_INTERFACE; none for a device without a netdev (no ifindex).
std::optional<Nl80211InterfaceInfo> decodeInterface(const nlmsghdr* message);
// NL80211_CMD_NEW_STATION.
std::optional<Nl80211StationInfo> decodeStation(const nlmsghdr* message);
// NL80211_CMD_NEW_SURVEY_RESULTS; none without a frequency.
std::optional<Nl80211SurveyInfo> decodeSurvey(const nlmsghdr* message);
// NL80211_CMD_NEW_SCAN_RESULTS carrying a BSS (a dump entry).
std::optional<Nl80211BssInfo> decodeBss(const nlmsghdr* message);
// A scan notification of the "scan" multicast group for this interface.
std::optional<Nl80211ScanEvent> decodeScanEvent(const nlmsghdr* message, std::uint32_t ifindex);

// The SSID element of 802.11 information elements; none when absent, longer
// than 32 bytes or when the elements run past the end.
std::optional<std::vector<std::uint8_t>>
ssidFromInformationElements(std::span<const std::uint8_t> elements);

// In the kernel's order, skipping every interface that is not a station.
std::optional<Nl80211InterfaceInfo>
firstStationInterface(const std::vector<Nl80211InterfaceInfo>& interfaces);

// The access point among a station interface's peers: the first entry that
// is no TDLS peer and not known to be unassociated.
std::optional<Nl80211StationInfo> accessPointOf(const std::vector<Nl80211StationInfo>& stations);

// The noise of the channel in use: the survey entry flagged in use, else the
// one on the link's frequency.
std::optional<std::int8_t> noiseOfChannelInUse(const std::vector<Nl80211SurveyInfo>& surveys,
                                               std::optional<std::uint32_t> frequencyMhz);

// The access point's entry in the scan results: the one marked associated
// with its address, else any with its address.
std::optional<Nl80211BssInfo> associatedBss(const std::vector<Nl80211BssInfo>& entries,
                                            const MacAddressBytes& accessPoint);

// What only the scan results know: a station interface's own message names
// its network and channel on some kernels only (6.1 gives neither the SSID
// nor, with multi-link, a channel), so those come from the associated BSS.
bool needsAssociatedBss(const Nl80211InterfaceInfo& interface,
                        const std::optional<Nl80211StationInfo>& accessPoint);

WirelessLinkReading makeLinkReading(const Nl80211InterfaceInfo& interface,
                                    const std::optional<Nl80211StationInfo>& accessPoint,
                                    const std::optional<Nl80211BssInfo>& bss,
                                    const std::vector<Nl80211SurveyInfo>& surveys);

WirelessNetwork makeNetwork(const Nl80211BssInfo& bss,
                            const std::vector<Nl80211SurveyInfo>& surveys);

// The entries the kernel heard within window before its dump (those without
// an age stay): one scan's results without what earlier scans left behind.
std::vector<Nl80211BssInfo> heardWithin(std::vector<Nl80211BssInfo> entries,
                                        std::chrono::milliseconds window);

// mBm to dBm, to the nearest dBm, halves away from zero.
std::int64_t dbmFromMbm(std::int32_t mbm);

} // namespace lumra
