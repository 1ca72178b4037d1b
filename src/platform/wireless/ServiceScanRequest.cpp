#include "platform/wireless/ServiceScanRequest.h"

#include "base/UniqueFd.h"
#include "concurrency/Runtime.h"
#include "platform/bus/BusConnection.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
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

bool isFrom(sd_bus_message* signal, const std::string& path) {
    const char* from = sd_bus_message_get_path(signal);
    return from != nullptr && path == from;
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

    // NetworkManager's device.
    std::vector<std::string> devicePaths;
    std::string devicePath;
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
        listDevices();
    }

    void finishWithError(sd_bus_message* reply, ServiceScanOutcome outcome) {
        const sd_bus_error* error = sd_bus_message_get_error(reply);
        finish(outcome, error != nullptr && error->name != nullptr ? error->name : "");
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
        if (finished)
            return;
        auto method = BusConnection::MethodCall{destination,          path,       interface, member,
                                                std::move(arguments), callTimeout};
        std::weak_ptr<BusSide> weak = weak_from_this();
        const auto sent =
            connection->callMethod(std::move(method), [weak, onReply](sd_bus_message* reply) {
                auto self = weak.lock();
                if (self && !self->finished)
                    (self.get()->*onReply)(reply);
            });
        if (!sent)
            finish(ServiceScanOutcome::failed, std::string("cannot call ") + member);
    }

    void getProperty(const char* destination, const std::string& path, const char* interface,
                     const char* name, ReplyMember onReply) {
        call(destination, path, properties, "Get", writeStrings({interface, name}), onReply);
    }

    // Signals of the service's objects come before we know which is ours;
    // handle filters by path. Then installed runs once the bus has the match.
    void watchProperties(const char* sender, ReplyMember handle, std::function<void()> installed) {
        std::weak_ptr<BusSide> weak = weak_from_this();
        auto match = BusConnection::SignalMatch{sender, "", properties, "PropertiesChanged"};
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

    void listDevices() {
        call(nmName, nmPath, nmName, "GetDevices", writeNoArguments, &BusSide::devicesListed);
    }

    void devicesListed(sd_bus_message* reply) {
        if (isError(reply)) {
            serviceSeen = serviceSeen || !errorIn(reply, absences);
            findStation();
            return;
        }
        serviceSeen = true;
        char** paths = nullptr;
        if (sd_bus_message_read_strv(reply, &paths) < 0) {
            findStation();
            return;
        }
        for (char** path = paths; path != nullptr && *path != nullptr; ++path) {
            devicePaths.emplace_back(*path);
            std::free(*path);
        }
        std::free(paths);
        askNextDevice();
    }

    // Devices are asked one at a time, in NetworkManager's order.
    void askNextDevice() {
        if (devicePaths.empty()) {
            findStation();
            return;
        }
        getProperty(nmName, devicePaths.front(), nmDevice, "Interface",
                    &BusSide::deviceInterfaceRead);
    }

    void deviceInterfaceRead(sd_bus_message* reply) {
        std::string path = devicePaths.front();
        devicePaths.erase(devicePaths.begin());
        const auto name = isError(reply) ? std::nullopt : readStringVariant(reply);
        if (name != interfaceName) {
            askNextDevice();
            return;
        }
        devicePath = std::move(path);
        watchProperties(nmName, &BusSide::deviceChanged, [this] {
            getProperty(nmName, devicePath, nmWireless, "LastScan", &BusSide::lastScanRead);
        });
    }

    void lastScanRead(sd_bus_message* reply) {
        if (isError(reply)) {
            finishWithError(reply, errorIn(reply, mismatches) ? ServiceScanOutcome::notManaged
                                                              : ServiceScanOutcome::failed);
            return;
        }
        // -1 until the device's first scan.
        lastScanBefore = readVariant<std::int64_t>(reply, "x").value_or(-1);
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
        if (!lastScanBefore || !isFrom(signal, devicePath))
            return;
        std::optional<std::int64_t> lastScan;
        readChanged(signal, nmWireless, [&](const std::string& key) {
            if (key != "LastScan")
                return false;
            lastScan = readVariant<std::int64_t>(signal, "x");
            return lastScan.has_value();
        });
        if (lastScan && *lastScan > *lastScanBefore)
            finish(ServiceScanOutcome::scanned);
    }

    // --------------------------------------------------------------------- iwd

    void findStation() {
        call(iwdName, "/", objectManager, "GetManagedObjects", writeNoArguments,
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
        watchProperties(iwdName, &BusSide::stationChanged, [this] {
            getProperty(iwdName, stationPath, iwdStation, "Scanning", &BusSide::scanningRead);
        });
    }

    // The object whose Device is named like ours and which is a Station;
    // empty when there is none.
    std::string stationOf(sd_bus_message* reply) const {
        if (sd_bus_message_enter_container(reply, 'a', "{oa{sa{sv}}}") < 0)
            return {};
        while (sd_bus_message_enter_container(reply, 'e', "oa{sa{sv}}") > 0) {
            const char* path = nullptr;
            if (sd_bus_message_read(reply, "o", &path) < 0 ||
                sd_bus_message_enter_container(reply, 'a', "{sa{sv}}") < 0)
                return {};
            bool named = false;
            bool station = false;
            while (sd_bus_message_enter_container(reply, 'e', "sa{sv}") > 0) {
                const char* interface = nullptr;
                if (sd_bus_message_read(reply, "s", &interface) < 0)
                    return {};
                const std::string name = interface;
                station = station || name == iwdStation;
                const bool ok = readProperties(reply, [&](const std::string& key) {
                    if (name != iwdDevice || key != "Name")
                        return false;
                    named = readStringVariant(reply) == interfaceName;
                    return true;
                });
                if (!ok || sd_bus_message_exit_container(reply) < 0)
                    return {};
            }
            if (sd_bus_message_exit_container(reply) < 0 ||
                sd_bus_message_exit_container(reply) < 0)
                return {};
            if (named && station)
                return path;
        }
        return {};
    }

    void scanningRead(sd_bus_message* reply) {
        if (isError(reply)) {
            finishWithError(reply, errorIn(reply, mismatches) ? ServiceScanOutcome::notManaged
                                                              : ServiceScanOutcome::failed);
            return;
        }
        stationScanning = stationScanning || readVariant<int>(reply, "b").value_or(0) != 0;
        call(iwdName, stationPath, iwdStation, "Scan", writeNoArguments, &BusSide::stationScan);
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
        if (stationPath.empty() || !isFrom(signal, stationPath))
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
