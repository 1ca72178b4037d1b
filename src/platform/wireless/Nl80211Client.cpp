// Runs on the caller's thread: readings on the main actor, scans on a
// background worker. The reading is a few short requests after the family
// lookup (interfaces, the access point's station entry, the associated BSS
// when the interface does not name its network, the survey); a scan
// triggers when it may, joins a scan already running, and otherwise asks
// the network service that manages the interface (ServiceScanRequest); what
// it cannot have fresh it reads from the kernel's cache.
#include "platform/wireless/Nl80211Client.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Runtime.h"
#include "platform/wireless/GenlSocket.h"
#include "platform/wireless/ServiceScanRequest.h"
#include "platform/wireless/WirelessError.h"

#include <cerrno>
#include <fmt/format.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/msg.h>
#include <system_error>

namespace lumra {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Dumps that keep changing under the reader are taken as they are after this.
constexpr int kDumpAttempts = 3;

// A network heard this long before a scan started still counts as its own:
// the start is noticed a moment late, and the kernel's ages are coarse.
constexpr std::chrono::milliseconds kHeardBeforeStart{250};

struct Session {
    GenlSocket socket;
    GenlFamilyInfo family;
};

std::optional<Session> openSession(SteadyClock::time_point deadline) {
    Session session{GenlSocket{}, {}};
    auto family = session.socket.resolveFamily("nl80211", deadline);
    if (!family) {
        return std::nullopt;
    }
    session.family = std::move(*family);
    return session;
}

NlMessage interfaceRequest(const Session& session, std::uint8_t command, int flags,
                           std::uint32_t ifindex) {
    auto message = GenlSocket::makeMessage(session.family.id, flags, command);
    if (nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, ifindex) < 0) {
        throw WirelessError(ENOMEM);
    }
    return message;
}

// Decodes every entry of a dump; the error is 0 or a positive errno.
template <class T, class Decode>
std::pair<std::vector<T>, int> dump(Session& session, const std::function<NlMessage()>& makeRequest,
                                    Decode decode, SteadyClock::time_point deadline) {
    std::vector<T> entries;
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        entries.clear();
        auto request = makeRequest();
        const auto outcome = session.socket.transact(
            request.get(),
            [&](const nlmsghdr* reply) {
                if (auto entry = decode(reply)) {
                    entries.push_back(std::move(*entry));
                }
            },
            deadline);
        if (outcome.error != 0 || !outcome.interrupted) {
            return {std::move(entries), outcome.error};
        }
    }
    return {std::move(entries), 0};
}

std::optional<Nl80211InterfaceInfo> stationInterface(Session& session,
                                                     SteadyClock::time_point deadline) {
    auto [interfaces, error] = dump<Nl80211InterfaceInfo>(
        session,
        [&] {
            return GenlSocket::makeMessage(session.family.id, NLM_F_DUMP,
                                           NL80211_CMD_GET_INTERFACE);
        },
        decodeInterface, deadline);
    if (error != 0) {
        throw WirelessError(error);
    }
    return firstStationInterface(interfaces);
}

// Failures leave the survey empty: noise is optional.
std::vector<Nl80211SurveyInfo> surveys(Session& session, std::uint32_t ifindex,
                                       SteadyClock::time_point deadline) {
    auto [entries, error] = dump<Nl80211SurveyInfo>(
        session,
        [&] { return interfaceRequest(session, NL80211_CMD_GET_SURVEY, NLM_F_DUMP, ifindex); },
        decodeSurvey, deadline);
    return error == 0 ? std::move(entries) : std::vector<Nl80211SurveyInfo>{};
}

// A station interface that is not associated has no peers; a failure here
// (interface down, no link) reads the same way.
std::optional<Nl80211StationInfo> accessPoint(Session& session, std::uint32_t ifindex,
                                              SteadyClock::time_point deadline) {
    auto [stations, error] = dump<Nl80211StationInfo>(
        session,
        [&] { return interfaceRequest(session, NL80211_CMD_GET_STATION, NLM_F_DUMP, ifindex); },
        decodeStation, deadline);
    if (error != 0) {
        return std::nullopt;
    }
    return accessPointOf(stations);
}

std::vector<Nl80211BssInfo> scanResults(Session& session, std::uint32_t ifindex,
                                        SteadyClock::time_point deadline) {
    auto [entries, error] = dump<Nl80211BssInfo>(
        session,
        [&] { return interfaceRequest(session, NL80211_CMD_GET_SCAN, NLM_F_DUMP, ifindex); },
        decodeBss, deadline);
    if (error != 0) {
        throw WirelessError(error);
    }
    return std::move(entries);
}

// An active scan of every channel: one wildcard SSID.
NlMessage triggerRequest(const Session& session, std::uint32_t ifindex) {
    auto message = interfaceRequest(session, NL80211_CMD_TRIGGER_SCAN, 0, ifindex);
    nlattr* ssids = nla_nest_start(message.get(), NL80211_ATTR_SCAN_SSIDS);
    if (ssids == nullptr || nla_put(message.get(), 1, 0, "") < 0) {
        throw WirelessError(ENOMEM);
    }
    nla_nest_end(message.get(), ssids);
    return message;
}

// True when the scan this call started finished; false when it was
// aborted, lost or still running at the deadline.
bool waitForScan(Session& session, std::uint32_t ifindex, SteadyClock::time_point deadline) {
    // Our own start notification comes before our scan's end; an end seen
    // before it belongs to an earlier scan.
    bool started = false;
    bool finished = false;
    session.socket.awaitEvent(
        [&](const nlmsghdr* message) {
            const auto event = decodeScanEvent(message, ifindex);
            if (event == Nl80211ScanEvent::started) {
                started = true;
                return false;
            }
            if (started && event == Nl80211ScanEvent::finished) {
                finished = true;
                return true;
            }
            return started && event == Nl80211ScanEvent::aborted;
        },
        deadline);
    return finished;
}

// The scan whose results are read, and where they came from.
struct ScanRun {
    WirelessScanSource source = WirelessScanSource::cachedResults;
    // When that scan was seen to start; none for one joined while it ran,
    // whose results may be older than the call.
    std::optional<SteadyClock::time_point> startedAt;
};

// Waits for the end of a scan another party runs on the interface (one
// already running, or one a network service starts for us): true when it
// finished; false when it was aborted, at the deadline, or once wakeFd is
// readable.
bool awaitOthersScan(Session& session, std::uint32_t ifindex, SteadyClock::time_point deadline,
                     ScanRun& run, int wakeFd = -1) {
    bool finished = false;
    session.socket.awaitEvent(
        [&](const nlmsghdr* message) {
            const auto event = decodeScanEvent(message, ifindex);
            if (event == Nl80211ScanEvent::started) {
                run.startedAt = SteadyClock::now();
                return false;
            }
            finished = event == Nl80211ScanEvent::finished;
            return event.has_value();
        },
        deadline, wakeFd);
    return finished;
}

void logFallback(const Nl80211InterfaceInfo& interface, std::string_view reason) {
    LUMRA_LOG("wireless",
              fmt::format("scan of {} gives the cached results: {}", interface.name, reason));
}

// The kernel refused us the trigger: the network service that manages the
// interface scans it instead, if it will.
ScanRun askService(Session& session, const Nl80211InterfaceInfo& interface,
                   SteadyClock::time_point deadline, const std::optional<BusAddress>& bus) {
    ScanRun run;
    if (!bus || Runtime::currentOrNull() == nullptr) {
        logFallback(interface, "not permitted to trigger, and no bus to ask");
        return run;
    }
    std::optional<ServiceScanRequest> asked;
    try {
        asked.emplace(*bus, interface.name);
    } catch (const std::system_error& error) {
        logFallback(interface, error.what());
        return run;
    }
    const ServiceScanRequest& request = *asked;
    while (true) {
        // The kernel's end of the service's scan or the service's own word,
        // whichever comes first.
        if (awaitOthersScan(session, interface.ifindex, deadline, run, request.readyFd())) {
            run.source = WirelessScanSource::freshScan;
            return run;
        }
        if (const auto outcome = request.outcome()) {
            if (*outcome == ServiceScanOutcome::scanned) {
                run.source = WirelessScanSource::freshScan;
            } else {
                const auto detail = request.detail();
                logFallback(interface, detail.empty()
                                           ? std::string(describe(*outcome))
                                           : fmt::format("{} ({})", describe(*outcome), detail));
            }
            return run;
        }
        if (SteadyClock::now() >= deadline) {
            logFallback(interface, describe(ServiceScanOutcome::timedOut));
            return run;
        }
    }
}

// Triggers a scan when the kernel allows it, joins one already running, or
// else asks the network service.
ScanRun runScan(Session& session, const Nl80211InterfaceInfo& interface,
                const Nl80211Client::Timeouts& timeouts,
                const std::optional<BusAddress>& scanService) {
    const auto group = session.family.multicastGroup("scan");
    if (!group) {
        logFallback(interface, "no scan notifications");
        return {};
    }
    session.socket.joinGroup(*group);
    auto request = triggerRequest(session, interface.ifindex);
    const auto requestedAt = SteadyClock::now();
    const auto outcome = session.socket.transact(
        request.get(), [](const nlmsghdr*) {}, requestedAt + timeouts.request);
    const auto othersDeadline = SteadyClock::now() + timeouts.othersScan;
    ScanRun run;
    if (outcome.error == EBUSY) {
        if (awaitOthersScan(session, interface.ifindex, othersDeadline, run)) {
            run.source = WirelessScanSource::freshScan;
        } else {
            logFallback(interface, "the running scan did not finish");
        }
        return run;
    }
    if (outcome.error == EPERM) {
        return askService(session, interface, othersDeadline, scanService);
    }
    if (outcome.error != 0) {
        throw WirelessError(outcome.error);
    }
    run.startedAt = requestedAt;
    if (waitForScan(session, interface.ifindex, SteadyClock::now() + timeouts.scan)) {
        run.source = WirelessScanSource::freshScan;
    } else {
        logFallback(interface, "the scan did not finish");
    }
    return run;
}

// A session to the kernel and the station interface it found.
struct Station {
    Session session;
    Nl80211InterfaceInfo interface;
};

std::optional<Station> openStation(SteadyClock::time_point deadline) {
    auto session = openSession(deadline);
    if (!session) {
        return std::nullopt;
    }
    auto interface = stationInterface(*session, deadline);
    if (!interface) {
        return std::nullopt;
    }
    return Station{std::move(*session), std::move(*interface)};
}

// True when the controller announced a change of families since the last
// look; never waits.
bool familiesChanged(GenlSocket& socket) {
    bool changed = false;
    socket.awaitEvent(
        [&](const nlmsghdr*) {
            changed = true;
            return false;
        },
        SteadyClock::now());
    return changed;
}

} // namespace

struct Nl80211Client::KeptSession {
    Session session;
    // Whether session.family holds nl80211: the kernel may have none.
    bool hasFamily = false;
    // Whether the controller's notifications reach the session; one that
    // cannot follow them is used once.
    bool watching = false;

    void resolveFamily(SteadyClock::time_point deadline) {
        auto family = session.socket.resolveFamily("nl80211", deadline);
        hasFamily = family.has_value();
        if (family) {
            session.family = std::move(*family);
        }
    }
};

Nl80211Client::Nl80211Client() = default;
Nl80211Client::Nl80211Client(Timeouts timeouts, std::optional<BusAddress> scanService)
    : m_timeouts(timeouts), m_scanService(std::move(scanService)) {}
Nl80211Client::~Nl80211Client() = default;

std::unique_ptr<Nl80211Client::KeptSession>
Nl80211Client::takeSession(SteadyClock::time_point deadline) {
    std::unique_ptr<KeptSession> kept;
    {
        std::lock_guard lock(m_mutex);
        kept = std::move(m_kept);
    }
    if (kept) {
        if (familiesChanged(kept->session.socket)) {
            kept->resolveFamily(deadline);
        }
        return kept;
    }
    kept = std::make_unique<KeptSession>(KeptSession{Session{GenlSocket{}, {}}, false, false});
    // Joined before nl80211 is looked up, so that a family appearing just
    // after the look-up is not missed.
    try {
        if (const auto controller = kept->session.socket.resolveFamily("nlctrl", deadline)) {
            if (const auto notify = controller->multicastGroup("notify")) {
                kept->session.socket.joinGroup(*notify);
                kept->watching = true;
            }
        }
    } catch (const WirelessError&) {
        // Still good for this call, but not kept: it would miss nl80211 coming and going.
        LUMRA_LOG_CAUGHT("wireless", "family changes are not watched");
    }
    kept->resolveFamily(deadline);
    return kept;
}

void Nl80211Client::keepSession(std::unique_ptr<KeptSession> session) {
    if (!session->watching) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (!m_kept) {
        m_kept = std::move(session);
    }
}

std::optional<WirelessInterface> Nl80211Client::defaultInterface() {
    const auto deadline = SteadyClock::now() + m_timeouts.request;
    auto kept = takeSession(deadline);
    std::optional<WirelessInterface> found;
    if (kept->hasFamily) {
        if (const auto interface = stationInterface(kept->session, deadline)) {
            found = WirelessInterface{interface->name, interface->ifindex};
        }
    }
    keepSession(std::move(kept));
    return found;
}

std::optional<WirelessLinkReading> Nl80211Client::currentReading() {
    const auto deadline = SteadyClock::now() + m_timeouts.request;
    auto kept = takeSession(deadline);
    if (!kept->hasFamily) {
        keepSession(std::move(kept));
        return std::nullopt;
    }
    Session& session = kept->session;
    const auto interface = stationInterface(session, deadline);
    if (!interface) {
        keepSession(std::move(kept));
        return std::nullopt;
    }
    const auto station = accessPoint(session, interface->ifindex, deadline);
    std::optional<Nl80211BssInfo> bss;
    if (needsAssociatedBss(*interface, station)) {
        try {
            bss = associatedBss(scanResults(session, interface->ifindex, deadline),
                                *station->address);
        } catch (const WirelessError&) {
            // The link is still known without its name.
            LUMRA_LOG_CAUGHT("wireless", "the associated network's entry could not be read");
        }
    }
    // Without a channel there is no survey entry to take the noise from.
    const bool onChannel = interface->frequencyMhz || (bss && bss->frequencyMhz);
    const auto survey = onChannel ? surveys(session, interface->ifindex, deadline)
                                  : std::vector<Nl80211SurveyInfo>{};
    auto reading = makeLinkReading(*interface, station, bss, survey);
    keepSession(std::move(kept));
    return reading;
}

std::optional<WirelessScan> Nl80211Client::scanNetworks() {
    auto opened = openStation(SteadyClock::now() + m_timeouts.request);
    if (!opened) {
        return std::nullopt;
    }
    Session* const session = &opened->session;
    const std::uint32_t ifindex = opened->interface.ifindex;
    const auto run = runScan(*session, opened->interface, m_timeouts, m_scanService);

    const auto dumpedAt = SteadyClock::now();
    auto entries = scanResults(*session, ifindex, dumpedAt + m_timeouts.request);
    if (run.source == WirelessScanSource::freshScan && run.startedAt) {
        // What the kernel kept from earlier scans (a stopped access point
        // stays for half a minute) is not part of this one.
        entries =
            heardWithin(std::move(entries),
                        std::chrono::ceil<std::chrono::milliseconds>(dumpedAt - *run.startedAt) +
                            kHeardBeforeStart);
    }
    const auto noise = surveys(*session, ifindex, SteadyClock::now() + m_timeouts.request);
    WirelessScan scan{{}, run.source};
    scan.networks.reserve(entries.size());
    for (const auto& bss : entries) {
        scan.networks.push_back(makeNetwork(bss, noise));
    }
    return scan;
}

} // namespace lumra
