#include "platform/wireless/Nl80211Messages.h"

#include "platform/wireless/NetlinkAttributes.h"
#include "platform/wireless/TransmitRate.h"
#include "platform/wireless/WirelessText.h"

#include <algorithm>
#include <cstring>
#include <linux/genetlink.h>
#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

namespace lumra {

namespace {

using Kind = NetlinkAttributeKind;
using Rule = NetlinkAttributeRule;

constexpr std::size_t kMaxSsidLength = 32;

std::optional<std::uint8_t> genlCommand(const nlmsghdr* message) {
    if (message == nullptr || message->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN) {
        return std::nullopt;
    }
    const auto* header = reinterpret_cast<const genlmsghdr*>(
        reinterpret_cast<const std::uint8_t*>(message) + NLMSG_HDRLEN);
    return header->cmd;
}

std::optional<NetlinkAttributes> attributesOf(const nlmsghdr* message, std::uint8_t command,
                                              std::span<const Rule> rules) {
    if (genlCommand(message) != command) {
        return std::nullopt;
    }
    return NetlinkAttributes::parseGenl(message, rules);
}

std::optional<MacAddressBytes> macAddress(const NetlinkAttributes& attributes, int type) {
    const auto bytes = attributes.bytes(type);
    if (!bytes) {
        return std::nullopt;
    }
    MacAddressBytes address{};
    std::copy(bytes->begin(), bytes->end(), address.begin());
    return address;
}

std::optional<std::vector<std::uint8_t>>
byteVector(std::optional<std::span<const std::uint8_t>> bytes) {
    if (!bytes) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

constexpr Rule kMacRule(int type) {
    return Rule{type, Kind::binary, 6, 6};
}

} // namespace

std::optional<std::uint32_t> GenlFamilyInfo::multicastGroup(std::string_view name) const {
    for (const auto& group : multicastGroups) {
        if (group.name == name) {
            return group.id;
        }
    }
    return std::nullopt;
}

std::optional<GenlFamilyInfo> decodeFamily(const nlmsghdr* message) {
    static constexpr Rule rules[] = {
        {CTRL_ATTR_FAMILY_ID, Kind::u16},
        {CTRL_ATTR_MCAST_GROUPS, Kind::nested},
    };
    static constexpr Rule groupRules[] = {
        {CTRL_ATTR_MCAST_GRP_NAME, Kind::string, 1, GENL_NAMSIZ},
        {CTRL_ATTR_MCAST_GRP_ID, Kind::u32},
    };
    const auto attributes = attributesOf(message, CTRL_CMD_NEWFAMILY, rules);
    if (!attributes) {
        return std::nullopt;
    }
    const auto id = attributes->u16(CTRL_ATTR_FAMILY_ID);
    if (!id) {
        return std::nullopt;
    }
    GenlFamilyInfo family{*id, {}};
    for (const nlattr* element : attributes->nestedList(CTRL_ATTR_MCAST_GROUPS)) {
        const auto group = NetlinkAttributes::parseNested(element, groupRules);
        const auto name = group.string(CTRL_ATTR_MCAST_GRP_NAME);
        const auto groupId = group.u32(CTRL_ATTR_MCAST_GRP_ID);
        if (name && groupId) {
            family.multicastGroups.push_back(GenlMulticastGroup{*name, *groupId});
        }
    }
    return family;
}

std::optional<Nl80211InterfaceInfo> decodeInterface(const nlmsghdr* message) {
    static constexpr Rule rules[] = {
        {NL80211_ATTR_IFINDEX, Kind::u32},
        {NL80211_ATTR_IFNAME, Kind::string, 1, IFNAMSIZ},
        {NL80211_ATTR_IFTYPE, Kind::u32},
        {NL80211_ATTR_WIPHY_FREQ, Kind::u32},
        {NL80211_ATTR_SSID, Kind::binary, 0, kMaxSsidLength},
    };
    const auto attributes = attributesOf(message, NL80211_CMD_NEW_INTERFACE, rules);
    if (!attributes) {
        return std::nullopt;
    }
    const auto ifindex = attributes->u32(NL80211_ATTR_IFINDEX);
    if (!ifindex || *ifindex == 0) {
        return std::nullopt;
    }
    return Nl80211InterfaceInfo{
        .ifindex = *ifindex,
        .name = attributes->string(NL80211_ATTR_IFNAME).value_or(""),
        .iftype = attributes->u32(NL80211_ATTR_IFTYPE),
        .frequencyMhz = attributes->u32(NL80211_ATTR_WIPHY_FREQ),
        .ssid = byteVector(attributes->bytes(NL80211_ATTR_SSID)),
    };
}

std::optional<Nl80211StationInfo> decodeStation(const nlmsghdr* message) {
    static constexpr Rule rules[] = {
        kMacRule(NL80211_ATTR_MAC),
        {NL80211_ATTR_STA_INFO, Kind::nested},
    };
    static constexpr Rule infoRules[] = {
        {NL80211_STA_INFO_SIGNAL, Kind::s8},
        {NL80211_STA_INFO_SIGNAL_AVG, Kind::s8},
        {NL80211_STA_INFO_TX_BITRATE, Kind::nested},
        {NL80211_STA_INFO_STA_FLAGS, Kind::binary, sizeof(nl80211_sta_flag_update),
         sizeof(nl80211_sta_flag_update)},
    };
    static constexpr Rule rateRules[] = {
        {NL80211_RATE_INFO_BITRATE, Kind::u16},
        {NL80211_RATE_INFO_BITRATE32, Kind::u32},
    };
    const auto attributes = attributesOf(message, NL80211_CMD_NEW_STATION, rules);
    if (!attributes) {
        return std::nullopt;
    }
    Nl80211StationInfo station{macAddress(*attributes, NL80211_ATTR_MAC), std::nullopt,
                               std::nullopt, false, std::nullopt};
    const auto info = attributes->nested(NL80211_ATTR_STA_INFO, infoRules);
    if (!info) {
        return station;
    }
    station.signalDbm = info->s8(NL80211_STA_INFO_SIGNAL);
    if (!station.signalDbm) {
        station.signalDbm = info->s8(NL80211_STA_INFO_SIGNAL_AVG);
    }
    if (const auto rate = info->nested(NL80211_STA_INFO_TX_BITRATE, rateRules)) {
        station.transmitBitrate100Kbps = rate->u32(NL80211_RATE_INFO_BITRATE32);
        if (!station.transmitBitrate100Kbps) {
            station.transmitBitrate100Kbps = rate->u16(NL80211_RATE_INFO_BITRATE);
        }
    }
    if (const auto flags = info->bytes(NL80211_STA_INFO_STA_FLAGS)) {
        nl80211_sta_flag_update update{};
        std::memcpy(&update, flags->data(), sizeof update);
        const auto bit = [](int flag) {
            return std::uint32_t{1} << flag;
        };
        station.isTdlsPeer = (update.mask & update.set & bit(NL80211_STA_FLAG_TDLS_PEER)) != 0;
        if ((update.mask & bit(NL80211_STA_FLAG_ASSOCIATED)) != 0) {
            station.isAssociated = (update.set & bit(NL80211_STA_FLAG_ASSOCIATED)) != 0;
        }
    }
    return station;
}

std::optional<Nl80211SurveyInfo> decodeSurvey(const nlmsghdr* message) {
    static constexpr Rule rules[] = {
        {NL80211_ATTR_SURVEY_INFO, Kind::nested},
    };
    static constexpr Rule infoRules[] = {
        {NL80211_SURVEY_INFO_FREQUENCY, Kind::u32},
        {NL80211_SURVEY_INFO_NOISE, Kind::s8},
        {NL80211_SURVEY_INFO_IN_USE, Kind::flag},
    };
    const auto attributes = attributesOf(message, NL80211_CMD_NEW_SURVEY_RESULTS, rules);
    if (!attributes) {
        return std::nullopt;
    }
    const auto info = attributes->nested(NL80211_ATTR_SURVEY_INFO, infoRules);
    if (!info) {
        return std::nullopt;
    }
    const auto frequency = info->u32(NL80211_SURVEY_INFO_FREQUENCY);
    if (!frequency) {
        return std::nullopt;
    }
    return Nl80211SurveyInfo{*frequency, info->s8(NL80211_SURVEY_INFO_NOISE),
                             info->flag(NL80211_SURVEY_INFO_IN_USE)};
}

std::optional<Nl80211BssInfo> decodeBss(const nlmsghdr* message) {
    static constexpr Rule rules[] = {
        {NL80211_ATTR_BSS, Kind::nested},
    };
    static constexpr Rule bssRules[] = {
        kMacRule(NL80211_BSS_BSSID),
        {NL80211_BSS_FREQUENCY, Kind::u32},
        {NL80211_BSS_SIGNAL_MBM, Kind::s32},
        {NL80211_BSS_INFORMATION_ELEMENTS, Kind::binary},
        {NL80211_BSS_BEACON_IES, Kind::binary},
        {NL80211_BSS_STATUS, Kind::u32},
        {NL80211_BSS_SEEN_MS_AGO, Kind::u32},
    };
    const auto attributes = attributesOf(message, NL80211_CMD_NEW_SCAN_RESULTS, rules);
    if (!attributes) {
        return std::nullopt;
    }
    const auto bss = attributes->nested(NL80211_ATTR_BSS, bssRules);
    if (!bss) {
        return std::nullopt;
    }
    // The latest elements (probe response or beacon) first; the beacon's
    // own when those carry no name element.
    std::optional<std::vector<std::uint8_t>> ssid;
    for (int type : {NL80211_BSS_INFORMATION_ELEMENTS, NL80211_BSS_BEACON_IES}) {
        if (const auto elements = bss->bytes(type); elements && !ssid) {
            ssid = ssidFromInformationElements(*elements);
        }
    }
    return Nl80211BssInfo{
        .bssid = macAddress(*bss, NL80211_BSS_BSSID),
        .frequencyMhz = bss->u32(NL80211_BSS_FREQUENCY),
        .signalMbm = bss->s32(NL80211_BSS_SIGNAL_MBM),
        .ssid = std::move(ssid),
        .status = bss->u32(NL80211_BSS_STATUS),
        .seenMsAgo = bss->u32(NL80211_BSS_SEEN_MS_AGO),
    };
}

std::vector<Nl80211BssInfo> heardWithin(std::vector<Nl80211BssInfo> entries,
                                        std::chrono::milliseconds window) {
    std::erase_if(entries, [window](const Nl80211BssInfo& bss) {
        return bss.seenMsAgo && *bss.seenMsAgo > window.count();
    });
    return entries;
}

std::optional<Nl80211ScanEvent> decodeScanEvent(const nlmsghdr* message, std::uint32_t ifindex) {
    static constexpr Rule rules[] = {
        {NL80211_ATTR_IFINDEX, Kind::u32},
    };
    const auto command = genlCommand(message);
    std::optional<Nl80211ScanEvent> event;
    if (command == NL80211_CMD_TRIGGER_SCAN) {
        event = Nl80211ScanEvent::started;
    } else if (command == NL80211_CMD_NEW_SCAN_RESULTS) {
        event = Nl80211ScanEvent::finished;
    } else if (command == NL80211_CMD_SCAN_ABORTED) {
        event = Nl80211ScanEvent::aborted;
    }
    if (!event) {
        return std::nullopt;
    }
    const auto attributes = NetlinkAttributes::parseGenl(message, rules);
    if (!attributes || attributes->u32(NL80211_ATTR_IFINDEX) != ifindex) {
        return std::nullopt;
    }
    return event;
}

std::optional<std::vector<std::uint8_t>>
ssidFromInformationElements(std::span<const std::uint8_t> elements) {
    constexpr std::uint8_t ssidElement = 0;
    std::size_t position = 0;
    while (position + 2 <= elements.size()) {
        const std::uint8_t id = elements[position];
        const std::size_t length = elements[position + 1];
        const std::size_t start = position + 2;
        if (start + length > elements.size()) {
            return std::nullopt;
        }
        if (id == ssidElement) {
            if (length > kMaxSsidLength) {
                return std::nullopt;
            }
            return std::vector<std::uint8_t>(elements.begin() + static_cast<std::ptrdiff_t>(start),
                                             elements.begin() +
                                                 static_cast<std::ptrdiff_t>(start + length));
        }
        position = start + length;
    }
    return std::nullopt;
}

std::optional<Nl80211InterfaceInfo>
firstStationInterface(const std::vector<Nl80211InterfaceInfo>& interfaces) {
    const auto station =
        std::find_if(interfaces.begin(), interfaces.end(), [](const Nl80211InterfaceInfo& i) {
            return i.iftype == std::uint32_t{NL80211_IFTYPE_STATION};
        });
    if (station == interfaces.end()) {
        return std::nullopt;
    }
    return *station;
}

std::optional<Nl80211StationInfo> accessPointOf(const std::vector<Nl80211StationInfo>& stations) {
    const auto accessPoint =
        std::find_if(stations.begin(), stations.end(), [](const Nl80211StationInfo& s) {
            return s.address && !s.isTdlsPeer && s.isAssociated != false;
        });
    if (accessPoint == stations.end()) {
        return std::nullopt;
    }
    return *accessPoint;
}

std::optional<std::int8_t> noiseOfChannelInUse(const std::vector<Nl80211SurveyInfo>& surveys,
                                               std::optional<std::uint32_t> frequencyMhz) {
    const auto inUse = std::find_if(surveys.begin(), surveys.end(),
                                    [](const Nl80211SurveyInfo& s) { return s.inUse; });
    if (inUse != surveys.end()) {
        return inUse->noiseDbm;
    }
    if (!frequencyMhz) {
        return std::nullopt;
    }
    const auto onFrequency =
        std::find_if(surveys.begin(), surveys.end(),
                     [&](const Nl80211SurveyInfo& s) { return s.frequencyMhz == *frequencyMhz; });
    if (onFrequency == surveys.end()) {
        return std::nullopt;
    }
    return onFrequency->noiseDbm;
}

std::optional<Nl80211BssInfo> associatedBss(const std::vector<Nl80211BssInfo>& entries,
                                            const MacAddressBytes& accessPoint) {
    std::optional<Nl80211BssInfo> sameAddress;
    for (const auto& entry : entries) {
        if (entry.bssid != accessPoint) {
            continue;
        }
        if (entry.status == std::uint32_t{NL80211_BSS_STATUS_ASSOCIATED}) {
            return entry;
        }
        if (!sameAddress) {
            sameAddress = entry;
        }
    }
    return sameAddress;
}

bool needsAssociatedBss(const Nl80211InterfaceInfo& interface,
                        const std::optional<Nl80211StationInfo>& accessPoint) {
    return accessPoint && (!interface.ssid || !interface.frequencyMhz);
}

WirelessLinkReading makeLinkReading(const Nl80211InterfaceInfo& interface,
                                    const std::optional<Nl80211StationInfo>& accessPoint,
                                    const std::optional<Nl80211BssInfo>& bss,
                                    const std::vector<Nl80211SurveyInfo>& surveys) {
    const bool bssApplies = accessPoint && bss;
    const auto ssidBytes =
        interface.ssid ? interface.ssid : (bssApplies ? bss->ssid : std::nullopt);
    const auto frequency = interface.frequencyMhz ? interface.frequencyMhz
                                                  : (bssApplies ? bss->frequencyMhz : std::nullopt);
    WirelessLinkReading reading{
        .interface = WirelessInterface{interface.name, interface.ifindex},
        .ssid = ssidBytes ? decodeSsid(*ssidBytes) : std::nullopt,
        .bssid = std::nullopt,
        .signalDbm = 0,
        .noiseDbm = noiseOfChannelInUse(surveys, frequency).value_or(0),
        .transmitRateMbps = 0.0,
        .channel = frequency ? std::optional(channelForFrequency(*frequency)) : std::nullopt,
    };
    if (accessPoint) {
        reading.bssid = formatMacAddress(*accessPoint->address);
        reading.signalDbm = accessPoint->signalDbm.value_or(0);
        reading.transmitRateMbps =
            transmitRateMbps(accessPoint->transmitBitrate100Kbps.value_or(0));
    }
    return reading;
}

WirelessNetwork makeNetwork(const Nl80211BssInfo& bss,
                            const std::vector<Nl80211SurveyInfo>& surveys) {
    WirelessNetwork network{
        .ssid = bss.ssid ? decodeSsid(*bss.ssid) : std::nullopt,
        .bssid = bss.bssid ? std::optional(formatMacAddress(*bss.bssid)) : std::nullopt,
        .rssiDbm = bss.signalMbm ? dbmFromMbm(*bss.signalMbm) : 0,
        .channel = std::nullopt,
        .noiseDbm = std::nullopt,
    };
    if (bss.frequencyMhz) {
        network.channel = channelForFrequency(*bss.frequencyMhz);
        const auto survey =
            std::find_if(surveys.begin(), surveys.end(), [&](const Nl80211SurveyInfo& s) {
                return s.frequencyMhz == *bss.frequencyMhz;
            });
        if (survey != surveys.end() && survey->noiseDbm) {
            network.noiseDbm = *survey->noiseDbm;
        }
    }
    return network;
}

std::int64_t dbmFromMbm(std::int32_t mbm) {
    const std::int64_t value = mbm;
    const std::int64_t half = value >= 0 ? 50 : -50;
    return (value + half) / 100;
}

} // namespace lumra
