// NetworkManager over sd-bus: NameHasOwner first (so a stopped service is
// never bus-activated), then the ActiveConnections property and each active
// connection's properties.
#include "systool/NetworkManagerClient.h"

#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <memory>
#include <optional>
#include <systemd/sd-bus.h>

namespace lumra {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";

struct BusDeleter {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageDeleter {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusPointer = std::unique_ptr<sd_bus, BusDeleter>;
using MessagePointer = std::unique_ptr<sd_bus_message, MessageDeleter>;

class BusError {
public:
    BusError() = default;
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    ~BusError() { sd_bus_error_free(&m_error); }

    sd_bus_error* get() { return &m_error; }
    bool is(const char* name) const { return sd_bus_error_has_name(&m_error, name) != 0; }
    std::string describe(int result) const {
        if (m_error.message != nullptr) {
            return m_error.message;
        }
        return std::strerror(-result);
    }

private:
    sd_bus_error m_error = SD_BUS_ERROR_NULL;
};

class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds budget)
        : m_end(std::chrono::steady_clock::now() + budget) {}

    // Sets the next call's time-out to what is left; false when nothing is.
    bool arm(sd_bus* bus) const {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            m_end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        return sd_bus_set_method_call_timeout(bus, static_cast<std::uint64_t>(left.count())) >= 0;
    }

private:
    std::chrono::steady_clock::time_point m_end;
};

ActiveConnectionsReading failure(std::string error) {
    return {ActiveConnectionsReading::Outcome::failed, {}, std::move(error)};
}

// Reads one "sv" entry's variant into the connection; other keys are skipped.
int readProperty(sd_bus_message* reply, ActiveConnection& connection) {
    const char* key = nullptr;
    int result = sd_bus_message_read(reply, "s", &key);
    if (result < 0) {
        return result;
    }
    const auto readString = [&](std::string& target) {
        const char* value = nullptr;
        const int r = sd_bus_message_read(reply, "v", "s", &value);
        if (r >= 0) {
            target = value;
        }
        return r;
    };
    if (std::strcmp(key, "Id") == 0) {
        return readString(connection.id);
    }
    if (std::strcmp(key, "Uuid") == 0) {
        return readString(connection.uuid);
    }
    if (std::strcmp(key, "Type") == 0) {
        return readString(connection.type);
    }
    if (std::strcmp(key, "State") == 0) {
        return sd_bus_message_read(reply, "v", "u", &connection.state);
    }
    return sd_bus_message_skip(reply, "v");
}

int readProperties(sd_bus_message* reply, ActiveConnection& connection) {
    int result = sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{sv}");
    if (result < 0) {
        return result;
    }
    while ((result = sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
        result = readProperty(reply, connection);
        if (result < 0) {
            return result;
        }
        result = sd_bus_message_exit_container(reply);
        if (result < 0) {
            return result;
        }
    }
    if (result < 0) {
        return result;
    }
    return sd_bus_message_exit_container(reply);
}

std::optional<bool> serviceIsRunning(sd_bus* bus, const Deadline& deadline, std::string& error) {
    BusError busError;
    sd_bus_message* raw = nullptr;
    if (!deadline.arm(bus)) {
        error = "time-out";
        return std::nullopt;
    }
    int result = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "NameHasOwner", busError.get(), &raw,
                                    "s", kService);
    const MessagePointer reply(raw);
    int owned = 0;
    if (result >= 0) {
        result = sd_bus_message_read(reply.get(), "b", &owned);
    }
    if (result < 0) {
        error = busError.describe(result);
        return std::nullopt;
    }
    return owned != 0;
}

} // namespace

ActiveConnectionsReading readActiveConnections(std::chrono::milliseconds budget) {
    const Deadline deadline(budget);
    sd_bus* rawBus = nullptr;
    if (sd_bus_open_system(&rawBus) < 0) {
        return {};
    }
    const BusPointer bus(rawBus);
    std::string error;
    const auto running = serviceIsRunning(bus.get(), deadline, error);
    if (!running) {
        return failure(fmt::format("NameHasOwner: {}", error));
    }
    if (!*running) {
        return {};
    }

    BusError busError;
    sd_bus_message* raw = nullptr;
    if (!deadline.arm(bus.get())) {
        return failure("time-out");
    }
    int result =
        sd_bus_get_property(bus.get(), kService, kManagerPath, "org.freedesktop.NetworkManager",
                            "ActiveConnections", busError.get(), &raw, "ao");
    const MessagePointer reply(raw);
    char** paths = nullptr;
    if (result >= 0) {
        result = sd_bus_message_read_strv(reply.get(), &paths);
    }
    if (result < 0) {
        return failure(fmt::format("ActiveConnections: {}", busError.describe(result)));
    }
    std::vector<std::string> pathList;
    for (char** path = paths; path != nullptr && *path != nullptr; ++path) {
        pathList.emplace_back(*path);
        std::free(*path);
    }
    std::free(paths);

    ActiveConnectionsReading reading{ActiveConnectionsReading::Outcome::read, {}, {}};
    for (const std::string& path : pathList) {
        BusError propertiesError;
        sd_bus_message* rawProperties = nullptr;
        if (!deadline.arm(bus.get())) {
            return failure("time-out");
        }
        result = sd_bus_call_method(bus.get(), kService, path.c_str(),
                                    "org.freedesktop.DBus.Properties", "GetAll",
                                    propertiesError.get(), &rawProperties, "s", kActiveInterface);
        const MessagePointer properties(rawProperties);
        // A connection that went away between the two calls is simply gone.
        if (result < 0 && (propertiesError.is(SD_BUS_ERROR_UNKNOWN_OBJECT) ||
                           propertiesError.is(SD_BUS_ERROR_UNKNOWN_INTERFACE) ||
                           propertiesError.is(SD_BUS_ERROR_UNKNOWN_METHOD))) {
            continue;
        }
        ActiveConnection connection;
        if (result >= 0) {
            result = readProperties(properties.get(), connection);
        }
        if (result < 0) {
            return failure(fmt::format("{}: {}", path, propertiesError.describe(result)));
        }
        reading.connections.push_back(std::move(connection));
    }
    return reading;
}

} // namespace lumra
