#include "platform/wireless/ServiceScanRequest.h"

#include "base/DiagnosticLog.h"
#include "base/UniqueFd.h"
#include "concurrency/Runtime.h"
#include "platform/bus/BusConnection.h"

#include <cerrno>
#include <cstdint>
#include <fmt/format.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace lumra {

namespace {

const char* const nmName = "org.freedesktop.NetworkManager";
const char* const nmPath = "/org/freedesktop/NetworkManager";
const char* const nmDevice = "org.freedesktop.NetworkManager.Device";
const char* const nmWireless = "org.freedesktop.NetworkManager.Device.Wireless";
const char* const iwdName = "net.connman.iwd";
const char* const iwdDevice = "net.connman.iwd.Device";
const char* const iwdStation = "net.connman.iwd.Station";
const char* const properties = "org.freedesktop.DBus.Properties";
const char* const objectManager = "org.freedesktop.DBus.ObjectManager";
constexpr std::chrono::seconds callTimeout{5};

// The polkit refusal (PermissionDenied) and the device's own (NotAllowed:
// unavailable or activating); the bus policy's AccessDenied; iwd's.
const char* const refusals[] = {
    "org.freedesktop.NetworkManager.PermissionDenied",
    "org.freedesktop.NetworkManager.Device.NotAllowed",
    "org.freedesktop.DBus.Error.AccessDenied",
    "net.connman.iwd.PermissionDenied",
    "net.connman.iwd.NotAvailable",
    "net.connman.iwd.NotConfigured",
};
// Nobody owns the name; we never have a service started for us.
const char* const absences[] = {
    "org.freedesktop.DBus.Error.ServiceUnknown",
    "org.freedesktop.DBus.Error.NameHasNoOwner",
};
// The object is there but is not what we asked for (not Wi-Fi, gone).
const char* const mismatches[] = {
    "org.freedesktop.DBus.Error.UnknownMethod",    "org.freedesktop.DBus.Error.UnknownObject",
    "org.freedesktop.DBus.Error.UnknownInterface", "org.freedesktop.DBus.Error.UnknownProperty",
    "org.freedesktop.DBus.Error.InvalidArgs",
};
// A scan is running already: joined, not refused.
const char* const busy[] = {"net.connman.iwd.Busy", "net.connman.iwd.InProgress"};

template <std::size_t N> bool errorIn(sd_bus_message* reply, const char* const (&names)[N]) {
    for (const char* name : names) {
        if (sd_bus_message_is_method_error(reply, name))
            return true;
    }
    return false;
}

bool isError(sd_bus_message* reply) {
    return sd_bus_message_is_method_error(reply, nullptr) != 0;
}

// Walks an a{sv}: onEntry reads the variant of a key it wants and returns
// true; every other value is skipped. False when the message is not one.
bool readProperties(sd_bus_message* message,
                    const std::function<bool(const std::string& key)>& onEntry) {
    if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0)
        return false;
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* key = nullptr;
        if (sd_bus_message_read(message, "s", &key) < 0)
            return false;
        if (!onEntry(key) && sd_bus_message_skip(message, "v") < 0)
            return false;
        if (sd_bus_message_exit_container(message) < 0)
            return false;
    }
    return sd_bus_message_exit_container(message) >= 0;
}

// The value of a variant of one basic type; none when it holds another.
template <class T> std::optional<T> readVariant(sd_bus_message* message, const char* type) {
    T value{};
    if (sd_bus_message_enter_container(message, 'v', type) < 0)
        return std::nullopt;
    if (sd_bus_message_read_basic(message, type[0], &value) < 0)
        return std::nullopt;
    if (sd_bus_message_exit_container(message) < 0)
        return std::nullopt;
    return value;
}

std::optional<std::string> readStringVariant(sd_bus_message* message) {
    auto text = readVariant<const char*>(message, "s");
    if (!text || *text == nullptr)
        return std::nullopt;
    return std::string(*text);
}

// PropertiesChanged(s interface, a{sv} changed, as invalidated): the
// changed values of one interface, through onEntry.
bool readChanged(sd_bus_message* signal, const char* interface,
                 const std::function<bool(const std::string& key)>& onEntry) {
    const char* changedInterface = nullptr;
    if (sd_bus_message_read(signal, "s", &changedInterface) < 0 ||
        std::string(changedInterface) != interface)
        return false;
    return readProperties(signal, onEntry);
}

std::string textOf(const char* text) {
    return text != nullptr ? text : "";
}

void logLine(std::string text) {
    LUMRA_LOG("wireless", std::move(text));
}

std::string errorName(sd_bus_message* reply) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    return error != nullptr && error->name != nullptr ? error->name : "";
}

int writeNoArguments(sd_bus_message* call) {
    // Never start a service that is not running.
    return sd_bus_message_set_auto_start(call, 0);
}

BusConnection::ArgumentWriter writeStrings(std::vector<std::string> strings) {
    return [strings = std::move(strings)](sd_bus_message* call) {
        int result = writeNoArguments(call);
        for (const auto& text : strings) {
            if (result >= 0)
                result = sd_bus_message_append_basic(call, 's', text.c_str());
        }
        return result;
    };
}

} // namespace

const char* describe(ServiceScanOutcome outcome) noexcept {
    switch (outcome) {
    case ServiceScanOutcome::scanned:
        return "scanned";
    case ServiceScanOutcome::refused:
        return "refused";
    case ServiceScanOutcome::noService:
        return "no network service";
    case ServiceScanOutcome::notManaged:
        return "interface not managed";
    case ServiceScanOutcome::failed:
        return "failed";
    case ServiceScanOutcome::timedOut:
        return "timed out";
    }
    return "unknown";
}

// Between the I/O thread, which sets the outcome once, and the waiter.
struct ServiceScanRequest::Shared {
    mutable std::mutex mutex;
    std::optional<ServiceScanOutcome> outcome;
    std::string detail;
    UniqueFd ready;

    Shared() : ready(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (!ready)
            throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void set(ServiceScanOutcome value, std::string why) {
        {
            std::lock_guard lock(mutex);
            if (outcome)
                return;
            outcome = value;
            detail = std::move(why);
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(ready.get(), &one, sizeof one);
    }
};

// Made by the request, then touched only on the I/O thread.
struct ServiceScanRequest::BusSide : std::enable_shared_from_this<BusSide> {
    BusAddress address;
    std::string interfaceName;
    std::shared_ptr<Shared> shared;
    std::shared_ptr<BusConnection> connection;
    // Some service answered for itself, so its absence is not the reason.
    bool serviceSeen = false;
    bool finished = false;
    // The unique name of the service asked now: every call goes to it and
    // only its signals count. A signal sent to us alone passes the bus
    // whoever sends it, and a successor never had our request.
    std::string owner;

    // NetworkManager's device.
    std::vector<std::string> devicePaths;
    std::size_t nextDevice = 0;
    std::string devicePath;
    // -1 (never scanned) or a time; none when it was something else.
    std::optional<std::int64_t> lastScanBefore;

    // iwd's station.
    std::string stationPath;
    bool stationScanning = false;

    void start() {
        connection = BusConnection::open(address);
        if (!connection) {
            finish(ServiceScanOutcome::noService);
            return;
        }
        resolve(nmName, &BusSide::networkManagerResolved);
    }

    void finishWithError(sd_bus_message* reply, ServiceScanOutcome outcome) {
        finish(outcome, errorName(reply));
    }

    void abandon() {
        finished = true;
        if (connection)
            connection->close();
        connection.reset();
    }

    void finish(ServiceScanOutcome outcome, std::string detail = {}) {
        if (finished)
            return;
        finished = true;
        shared->set(outcome, std::move(detail));
        if (connection)
            connection->close();
    }

    // The reply reaches member only while this side is alive and waiting.
    using ReplyMember = void (BusSide::*)(sd_bus_message*);
    void call(const char* destination, const std::string& path, const char* interface,
              const char* member, BusConnection::ArgumentWriter arguments, ReplyMember onReply) {
        send(BusConnection::MethodCall{destination, path, interface, member, std::move(arguments),
                                       callTimeout},
             onReply);
    }

    void send(BusConnection::MethodCall method, ReplyMember onReply) {
        if (finished)
            return;
        const std::string member = method.member;
        std::weak_ptr<BusSide> weak = weak_from_this();
        const auto sent =
            connection->callMethod(std::move(method), [weak, onReply](sd_bus_message* reply) {
                auto self = weak.lock();
                if (self && !self->finished)
                    (self.get()->*onReply)(reply);
            });
        if (!sent)
            finish(ServiceScanOutcome::failed, "cannot call " + member);
    }

    void getProperty(const char* destination, const std::string& path, const char* interface,
                     const char* name, ReplyMember onReply) {
        call(destination, path, properties, "Get", writeStrings({interface, name}), onReply);
    }

    // Who owns name now; onReply gets the answer.
    void resolve(const char* name, ReplyMember onReply) {
        send(BusConnection::nameOwnerCall(name, callTimeout), onReply);
    }

    // Whether signal is the owner's and about path.
    bool isOwners(sd_bus_message* signal, const std::string& path) const {
        const std::string sender = BusConnection::senderOf(signal);
        if (sender != owner) {
            logLine(
                fmt::format("ignored a PropertiesChanged from {}, which is not the service ({})",
                            sender, owner));
            return false;
        }
        return path == textOf(sd_bus_message_get_path(signal));
    }

    // The owner's signals about any object come before we know which is
    // ours; handle filters by path. Then installed runs once the bus has
    // the match.
    void watchProperties(ReplyMember handle, std::function<void()> installed) {
        std::weak_ptr<BusSide> weak = weak_from_this();
        auto match = BusConnection::SignalMatch{owner, "", properties, "PropertiesChanged"};
        const auto added = connection->addSignalMatch(
            std::move(match),
            [weak, handle](sd_bus_message* signal) {
                auto self = weak.lock();
                if (self && !self->finished)
                    (self.get()->*handle)(signal);
            },
            [weak, installed = std::move(installed)](bool accepted) {
                auto self = weak.lock();
                if (!self || self->finished)
                    return;
                if (accepted)
                    installed();
                else
                    self->finish(ServiceScanOutcome::failed, "the bus refused the signal match");
            });
        if (!added)
            finish(ServiceScanOutcome::failed, "cannot add the signal match");
    }

    // ------------------------------------------------------------ NetworkManager

    void networkManagerResolved(sd_bus_message* reply) {
        owner = BusConnection::ownerIn(reply);
        if (owner.empty()) {
            findStation(); // not running
            return;
        }
        call(owner.c_str(), nmPath, nmName, "GetDevices", writeNoArguments,
             &BusSide::devicesListed);
    }

    void devicesListed(sd_bus_message* reply) {
        if (isError(reply)) {
            serviceSeen = serviceSeen || !errorIn(reply, absences);
            findStation();
            return;
        }
        serviceSeen = true;
        readDevicePaths(reply);
        askNextDevice();
    }

    // In one pass, and no further than maxDevices.
    void readDevicePaths(sd_bus_message* reply) {
        if (sd_bus_message_enter_container(reply, 'a', "o") < 0) {
            logLine("NetworkManager's GetDevices answered no list of objects");
            return;
        }
        while (devicePaths.size() < maxDevices) {
            const char* path = nullptr;
            const int result = sd_bus_message_read_basic(reply, 'o', &path);
            if (result < 0) {
                logLine("NetworkManager's device list ends in a malformed entry");
                return;
            }
            if (result == 0)
                return;
            devicePaths.emplace_back(path);
        }
        if (sd_bus_message_at_end(reply, /*complete=*/0) == 0)
            logLine(fmt::format("NetworkManager lists more than {} devices; the rest are not asked",
                                maxDevices));
    }

    // Devices are asked one at a time, in NetworkManager's order.
    void askNextDevice() {
        if (nextDevice == devicePaths.size()) {
            findStation();
            return;
        }
        getProperty(owner.c_str(), devicePaths[nextDevice], nmDevice, "Interface",
                    &BusSide::deviceInterfaceRead);
    }

    void deviceInterfaceRead(sd_bus_message* reply) {
        const std::string& path = devicePaths[nextDevice++];
        const auto name = isError(reply) ? std::nullopt : readStringVariant(reply);
        if (!name)
            logLine(fmt::format("NetworkManager's device {} has no Interface ({})", path,
                                isError(reply) ? errorName(reply) : "not a string"));
        if (name != interfaceName) {
            askNextDevice();
            return;
        }
        devicePath = path;
        devicePaths.clear();
        watchProperties(&BusSide::deviceChanged, [this] {
            getProperty(owner.c_str(), devicePath, nmWireless, "LastScan", &BusSide::lastScanRead);
        });
    }

    void lastScanRead(sd_bus_message* reply) {
        if (isError(reply)) {
            finishWithError(reply, errorIn(reply, mismatches) ? ServiceScanOutcome::notManaged
                                                              : ServiceScanOutcome::failed);
            return;
        }
        // -1 until the device's first scan. Another value would make any
        // later one look like progress, so the scan's end goes unheard here
        // (the kernel still tells the caller).
        lastScanBefore = readVariant<std::int64_t>(reply, "x");
        if (lastScanBefore && *lastScanBefore < -1)
            lastScanBefore.reset();
        if (!lastScanBefore)
            logLine(fmt::format("LastScan of {} is no time nor -1; its change is not heard",
                                devicePath));
        auto options = [](sd_bus_message* call) {
            int result = writeNoArguments(call);
            if (result >= 0)
                result = sd_bus_message_open_container(call, 'a', "{sv}");
            if (result >= 0)
                result = sd_bus_message_close_container(call);
            return result;
        };
        call(nmName, devicePath, nmWireless, "RequestScan", options, &BusSide::scanRequested);
    }

    // Success: the scan is under way (or joins a running one); the wait
    // goes on until LastScan advances.
    void scanRequested(sd_bus_message* reply) {
        if (isError(reply))
            finishWithError(reply, outcomeOfError(reply));
    }

    void deviceChanged(sd_bus_message* signal) {
        if (!isOwners(signal, devicePath) || !lastScanBefore)
            return;
        std::optional<std::int64_t> lastScan;
        bool malformed = false;
        readChanged(signal, nmWireless, [&](const std::string& key) {
            if (key != "LastScan")
                return false;
            lastScan = readVariant<std::int64_t>(signal, "x");
            malformed = !lastScan || *lastScan < 0;
            return lastScan.has_value();
        });
        if (malformed) {
            logLine(fmt::format("ignored a LastScan of {} that is no time", devicePath));
            return;
        }
        if (lastScan && *lastScan > *lastScanBefore)
            finish(ServiceScanOutcome::scanned);
    }

    // --------------------------------------------------------------------- iwd

    void findStation() {
        owner.clear();
        resolve(iwdName, &BusSide::iwdResolved);
    }

    void iwdResolved(sd_bus_message* reply) {
        if (isError(reply)) {
            objectsListed(reply);
            return;
        }
        owner = BusConnection::ownerIn(reply);
        if (owner.empty()) {
            finish(serviceSeen ? ServiceScanOutcome::notManaged : ServiceScanOutcome::noService,
                   "no owner of " + std::string(iwdName));
            return;
        }
        call(owner.c_str(), "/", objectManager, "GetManagedObjects", writeNoArguments,
             &BusSide::objectsListed);
    }

    void objectsListed(sd_bus_message* reply) {
        if (isError(reply)) {
            serviceSeen = serviceSeen || !errorIn(reply, absences);
            finishWithError(reply, serviceSeen ? ServiceScanOutcome::notManaged
                                               : ServiceScanOutcome::noService);
            return;
        }
        serviceSeen = true;
        stationPath = stationOf(reply);
        if (stationPath.empty()) {
            finish(ServiceScanOutcome::notManaged);
            return;
        }
        watchProperties(&BusSide::stationChanged, [this] {
            getProperty(owner.c_str(), stationPath, iwdStation, "Scanning", &BusSide::scanningRead);
        });
    }

    // The object whose Device is named like ours and which is a Station;
    // empty when there is none. An object with a malformed value is not
    // ours, and the others are still looked at.
    std::string stationOf(sd_bus_message* reply) const {
        if (sd_bus_message_enter_container(reply, 'a', "{oa{sa{sv}}}") < 0) {
            logLine("iwd's GetManagedObjects answered no object list");
            return {};
        }
        while (sd_bus_message_enter_container(reply, 'e', "oa{sa{sv}}") > 0) {
            const char* path = nullptr;
            if (sd_bus_message_read(reply, "o", &path) < 0) {
                logLine("iwd's object list holds an entry with no path");
                return {};
            }
            const auto kind = kindOf(reply, path);
            if (!kind || sd_bus_message_exit_container(reply) < 0) {
                logLine(fmt::format("iwd's object list cannot be read on from {}", path));
                return {};
            }
            if (*kind == ObjectKind::ourStation)
                return path;
        }
        return {};
    }

    enum class ObjectKind { ourStation, other };

    // Reads one object's interfaces; none when the message cannot be read
    // on from here.
    std::optional<ObjectKind> kindOf(sd_bus_message* reply, const char* path) const {
        if (sd_bus_message_enter_container(reply, 'a', "{sa{sv}}") < 0)
            return std::nullopt;
        bool named = false;
        bool station = false;
        while (sd_bus_message_enter_container(reply, 'e', "sa{sv}") > 0) {
            const char* interface = nullptr;
            if (sd_bus_message_read(reply, "s", &interface) < 0)
                return std::nullopt;
            const std::string name = interface;
            station = station || name == iwdStation;
            const bool ok = readProperties(reply, [&](const std::string& key) {
                if (name != iwdDevice || key != "Name")
                    return false;
                const auto text = readStringVariant(reply);
                if (!text)
                    logLine(
                        fmt::format("iwd's object {} has a Device.Name that is no string", path));
                named = text == interfaceName;
                return text.has_value(); // else skipped
            });
            if (!ok || sd_bus_message_exit_container(reply) < 0)
                return std::nullopt;
        }
        if (sd_bus_message_exit_container(reply) < 0)
            return std::nullopt;
        return named && station ? ObjectKind::ourStation : ObjectKind::other;
    }

    void scanningRead(sd_bus_message* reply) {
        if (isError(reply)) {
            finishWithError(reply, errorIn(reply, mismatches) ? ServiceScanOutcome::notManaged
                                                              : ServiceScanOutcome::failed);
            return;
        }
        const auto scanning = readVariant<int>(reply, "b");
        if (!scanning)
            logLine(fmt::format("Scanning of {} is no boolean", stationPath));
        stationScanning = stationScanning || scanning.value_or(0) != 0;
        call(owner.c_str(), stationPath, iwdStation, "Scan", writeNoArguments,
             &BusSide::stationScan);
    }

    void stationScan(sd_bus_message* reply) {
        if (!isError(reply))
            return;
        // Another scan runs: its end is ours too.
        if (errorIn(reply, busy) && stationScanning)
            return;
        finishWithError(reply, outcomeOfError(reply));
    }

    void stationChanged(sd_bus_message* signal) {
        if (!isOwners(signal, stationPath))
            return;
        std::optional<int> scanning;
        readChanged(signal, iwdStation, [&](const std::string& key) {
            if (key != "Scanning")
                return false;
            scanning = readVariant<int>(signal, "b");
            return scanning.has_value();
        });
        if (!scanning)
            return;
        if (*scanning != 0) {
            stationScanning = true;
        } else if (stationScanning) {
            finish(ServiceScanOutcome::scanned);
        }
    }

    static ServiceScanOutcome outcomeOfError(sd_bus_message* reply) {
        if (errorIn(reply, refusals) || errorIn(reply, busy))
            return ServiceScanOutcome::refused;
        if (errorIn(reply, mismatches))
            return ServiceScanOutcome::notManaged;
        return ServiceScanOutcome::failed;
    }
};

ServiceScanRequest::ServiceScanRequest(BusAddress bus, std::string interfaceName)
    : m_shared(std::make_shared<Shared>()), m_bus(std::make_shared<BusSide>()) {
    m_bus->address = std::move(bus);
    m_bus->interfaceName = std::move(interfaceName);
    m_bus->shared = m_shared;
    ioThread().post([bus = m_bus] { bus->start(); });
}

ServiceScanRequest::~ServiceScanRequest() {
    // The connection is released on the I/O thread; if that has stopped,
    // the dropped job releases it here with no other user left.
    if (Runtime::currentOrNull() != nullptr)
        ioThread().post([bus = std::move(m_bus)] { bus->abandon(); });
}

int ServiceScanRequest::readyFd() const noexcept {
    return m_shared->ready.get();
}

std::optional<ServiceScanOutcome> ServiceScanRequest::outcome() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->outcome;
}

std::string ServiceScanRequest::detail() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->detail;
}

ServiceScanOutcome ServiceScanRequest::wait(Deadline deadline) const {
    while (true) {
        if (auto known = outcome())
            return *known;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return ServiceScanOutcome::timedOut;
        pollfd ready{m_shared->ready.get(), POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(left.count()));
    }
}

} // namespace lumra
