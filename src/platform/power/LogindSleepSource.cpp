#include "platform/power/LogindSleepSource.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Runtime.h"
#include "platform/bus/BusConnection.h"

#include <cassert>
#include <fmt/format.h>
#include <string>
#include <vector>

namespace lumra {

namespace {

const char* const logindName = "org.freedesktop.login1";
const char* const logindPath = "/org/freedesktop/login1";
const char* const logindManager = "org.freedesktop.login1.Manager";

} // namespace

// Lives on the I/O thread (made elsewhere, then touched only there).
struct LogindSleepSource::BusSide {
    BusAddress address;
    std::weak_ptr<Observers> observers;
    Executor* mainActor = nullptr;
    std::shared_ptr<BusConnection> connection;

    void connect() {
        if (connection)
            return;
        connection = BusConnection::open(address);
        if (!connection)
            return; // no bus, no events: open() logged why
        // Only the signals of the connection that owns logind's name now
        // count: one sent to us alone passes the bus whoever sends it, and
        // the bus resolves the well-known name for broadcasts only.
        auto owner = std::make_shared<std::string>();
        const auto following = connection->followNameOwner(
            logindName, [owner](const std::string& now) { *owner = now; });
        auto onSignal = [owner, observers = observers, actor = mainActor](sd_bus_message* message) {
            if (isFrom(message, *owner))
                deliver(message, observers, actor);
        };
        auto match =
            BusConnection::SignalMatch{logindName, logindPath, logindManager, "PrepareForSleep"};
        if (!following || !connection->addSignalMatch(std::move(match), std::move(onSignal)))
            disconnect(); // the connection logged why
    }

    static bool isFrom(sd_bus_message* message, const std::string& owner) {
        const std::string sender = BusConnection::senderOf(message);
        if (owner.empty() || sender != owner) {
            LUMRA_LOG("power", fmt::format("ignored a PrepareForSleep from {}, which is not "
                                           "logind ({})",
                                           sender, owner.empty() ? "not known" : owner));
            return false;
        }
        return true;
    }

    static void deliver(sd_bus_message* message, const std::weak_ptr<Observers>& observers,
                        Executor* actor) {
        int starting = 0;
        if (sd_bus_message_read(message, "b", &starting) < 0)
            return; // not the signal logind sends
        const auto name =
            starting ? SleepWakeNotification::willSleep : SleepWakeNotification::didWake;
        actor->post([observers, name] {
            if (auto alive = observers.lock())
                alive->deliver(name);
        });
    }

    void disconnect() {
        if (connection)
            connection->close();
        connection.reset();
    }
};

void LogindSleepSource::Observers::deliver(SleepWakeNotification name) {
    std::vector<ObserverToken> tokens;
    for (const auto& [token, observer] : byToken) {
        if (observer.name == name)
            tokens.push_back(token);
    }
    // A block may add or remove observers; each is looked up again before it runs.
    for (ObserverToken token : tokens) {
        auto found = byToken.find(token);
        if (found == byToken.end())
            continue;
        auto block = found->second.block;
        if (block)
            block();
    }
}

LogindSleepSource::LogindSleepSource(BusAddress address)
    : m_observers(std::make_shared<Observers>()), m_bus(std::make_shared<BusSide>()) {
    m_bus->address = std::move(address);
    m_bus->observers = m_observers;
    m_bus->mainActor = &mainActor();
}

LogindSleepSource::~LogindSleepSource() {
    if (!m_observers->byToken.empty())
        stopListening();
}

SleepWakeNotifying::ObserverToken LogindSleepSource::addObserver(SleepWakeNotification name,
                                                                 std::function<void()> block) {
    assert(mainActor().isCurrent() && "observers are kept on the main actor");
    const bool first = m_observers->byToken.empty();
    const ObserverToken token = m_nextToken++;
    m_observers->byToken.emplace(token, Observer{name, std::move(block)});
    if (first)
        startListening();
    return token;
}

void LogindSleepSource::removeObserver(ObserverToken token) {
    assert(mainActor().isCurrent() && "observers are kept on the main actor");
    if (m_observers->byToken.erase(token) == 0)
        return;
    if (m_observers->byToken.empty())
        stopListening();
}

void LogindSleepSource::startListening() {
    ioThread().post([bus = m_bus] { bus->connect(); });
}

void LogindSleepSource::stopListening() {
    // If the I/O thread has already stopped, the dropped job releases the
    // connection on the thread that drops it, with no other user left.
    if (Runtime::currentOrNull() != nullptr)
        ioThread().post([bus = m_bus] { bus->disconnect(); });
}

} // namespace lumra
