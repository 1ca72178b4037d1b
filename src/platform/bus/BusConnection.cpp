#include "platform/bus/BusConnection.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Runtime.h"

#include <cassert>
#include <fmt/format.h>
#include <limits>
#include <system_error>

namespace lumra {

namespace {

const char* const busName = "org.freedesktop.DBus";
const char* const busPath = "/org/freedesktop/DBus";

const char* orNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

int connect(sd_bus** bus, const BusAddress& address) {
    switch (address.kind) {
    case BusAddress::Kind::system:
        return sd_bus_open_system(bus);
    case BusAddress::Kind::session:
        return sd_bus_open_user(bus);
    case BusAddress::Kind::explicitAddress:
        break;
    }
    int result = sd_bus_new(bus);
    if (result >= 0)
        result = sd_bus_set_address(*bus, address.address.c_str());
    if (result >= 0)
        result = sd_bus_set_bus_client(*bus, 1);
    if (result >= 0)
        result = sd_bus_start(*bus);
    return result;
}

void logFailure(std::string_view what, int result) {
    LUMRA_LOG("bus", fmt::format("{}: {}", what, std::generic_category().message(-result)));
}

std::string nameOf(const BusAddress& address) {
    switch (address.kind) {
    case BusAddress::Kind::system:
        return "the system bus";
    case BusAddress::Kind::session:
        return "the session bus";
    case BusAddress::Kind::explicitAddress:
        break;
    }
    return address.address;
}

// A handler that throws cannot unwind through sd-bus's C frames; the
// connection carries on with the next message instead.
void callGuarded(const BusConnection::MessageHandler& handler, sd_bus_message* message) {
    try {
        handler(message);
    } catch (...) {
        LUMRA_LOG_CAUGHT("bus", "a message handler failed");
    }
}

} // namespace

std::shared_ptr<BusConnection> BusConnection::open(const BusAddress& address) {
    assert(ioThread().isCurrent() && "sd-bus belongs to the I/O thread");
    sd_bus* bus = nullptr;
    if (const int result = connect(&bus, address); result < 0) {
        sd_bus_close_unref(bus);
        logFailure("no connection to " + nameOf(address), result);
        return nullptr;
    }
    auto connection = std::shared_ptr<BusConnection>(new BusConnection(bus));
    connection->rearm();
    return connection;
}

BusConnection::BusConnection(sd_bus* bus) : m_bus(bus), m_io(&ioThread()) {}

BusConnection::~BusConnection() {
    closeNow();
}

std::string BusConnection::uniqueName() const {
    const char* name = nullptr;
    if (m_bus == nullptr || sd_bus_get_unique_name(m_bus, &name) < 0 || name == nullptr)
        return {};
    return name;
}

BusConnection::Slot& BusConnection::newSlot(MessageHandler onMessage, bool oneShot) {
    auto slot = std::make_unique<Slot>();
    slot->owner = this;
    slot->id = m_nextSlotId++;
    slot->onMessage = std::move(onMessage);
    slot->oneShot = oneShot;
    Slot& stored = *slot;
    m_slots.emplace(stored.id, std::move(slot));
    return stored;
}

std::optional<BusConnection::SlotId>
BusConnection::addSignalMatch(SignalMatch match, MessageHandler onSignal,
                              std::function<void(bool)> onInstalled) {
    if (m_bus == nullptr || m_closeRequested)
        return std::nullopt;
    Slot& slot = newSlot(std::move(onSignal), /*oneShot=*/false);
    slot.onInstalled = std::move(onInstalled);
    const int result = sd_bus_match_signal_async(
        m_bus, &slot.slot, orNull(match.sender), orNull(match.path), orNull(match.interface),
        orNull(match.member), &BusConnection::dispatchMessage, &BusConnection::dispatchInstalled,
        &slot);
    const SlotId id = slot.id;
    if (result < 0) {
        logFailure(fmt::format("cannot match {}.{}", match.interface, match.member), result);
        m_slots.erase(id);
        return std::nullopt;
    }
    rearm();
    return id;
}

std::optional<BusConnection::SlotId> BusConnection::callMethod(MethodCall call,
                                                               MessageHandler onReply) {
    if (m_bus == nullptr || m_closeRequested)
        return std::nullopt;
    sd_bus_message* message = nullptr;
    int result =
        sd_bus_message_new_method_call(m_bus, &message, orNull(call.destination), call.path.c_str(),
                                       orNull(call.interface), call.member.c_str());
    if (result >= 0 && call.writeArguments)
        result = call.writeArguments(message);
    if (result < 0) {
        logFailure(fmt::format("cannot make the call {}.{}", call.interface, call.member), result);
        sd_bus_message_unref(message);
        return std::nullopt;
    }
    Slot& slot = newSlot(std::move(onReply), /*oneShot=*/true);
    const SlotId id = slot.id;
    result = sd_bus_call_async(m_bus, &slot.slot, message, &BusConnection::dispatchMessage, &slot,
                               static_cast<std::uint64_t>(call.timeout.count()));
    sd_bus_message_unref(message);
    if (result < 0) {
        logFailure(fmt::format("cannot send the call {}.{}", call.interface, call.member), result);
        m_slots.erase(id);
        return std::nullopt;
    }
    rearm();
    return id;
}

std::optional<BusConnection::SlotId>
BusConnection::followNameOwner(const std::string& name,
                               std::function<void(const std::string&)> onOwner) {
    auto tell = std::make_shared<std::function<void(const std::string&)>>(std::move(onOwner));
    auto matchId = std::make_shared<SlotId>(0);
    auto onChanged = [name, tell](sd_bus_message* signal) {
        // A signal sent to us alone passes the bus whoever sends it; only
        // the bus speaks for itself.
        const std::string sender = senderOf(signal);
        if (sender != busName) {
            LUMRA_LOG("bus", fmt::format("ignored a NameOwnerChanged from {}", sender));
            return;
        }
        const char* changed = nullptr;
        const char* previous = nullptr;
        const char* now = nullptr;
        if (sd_bus_message_read(signal, "sss", &changed, &previous, &now) < 0 ||
            changed == nullptr || now == nullptr || name != changed)
            return;
        (*tell)(now);
    };
    // Asked once the match is in: a change after the answer is then heard,
    // and one before it is already in the answer.
    auto onInstalled = [this, name, tell, matchId](bool) {
        auto ask = [this, name, tell, matchId](sd_bus_message* reply) {
            if (m_slots.count(*matchId) == 0)
                return; // removed meanwhile
            if (sd_bus_message_is_method_error(reply, nullptr) &&
                !sd_bus_message_is_method_error(reply,
                                                "org.freedesktop.DBus.Error.NameHasNoOwner")) {
                const sd_bus_error* error = sd_bus_message_get_error(reply);
                LUMRA_LOG(
                    "bus",
                    fmt::format("cannot learn who owns {}: {}", name,
                                error != nullptr && error->name != nullptr ? error->name : ""));
            }
            (*tell)(ownerIn(reply));
        };
        callMethod(nameOwnerCall(name), std::move(ask));
    };
    const auto id = addSignalMatch(SignalMatch{busName, busPath, busName, "NameOwnerChanged"},
                                   std::move(onChanged), std::move(onInstalled));
    if (id)
        *matchId = *id;
    return id;
}

void BusConnection::remove(SlotId id) {
    auto found = m_slots.find(id);
    if (found == m_slots.end())
        return;
    std::unique_ptr<Slot> slot = std::move(found->second);
    m_slots.erase(found);
    slot->removed = true;
    // A handler may be running on this very slot; it goes once dispatch ends.
    if (m_dispatchDepth > 0) {
        m_removedSlots.push_back(std::move(slot));
        return;
    }
    sd_bus_slot_unref(slot->slot);
    rearm();
}

void BusConnection::close() {
    if (m_dispatchDepth > 0) {
        m_closeRequested = true;
        return;
    }
    closeNow();
}

std::string BusConnection::senderOf(sd_bus_message* message) {
    const char* sender = sd_bus_message_get_sender(message);
    return sender != nullptr ? sender : "";
}

BusConnection::MethodCall BusConnection::nameOwnerCall(const std::string& name,
                                                       std::chrono::microseconds timeout) {
    auto writeName = [name](sd_bus_message* call) {
        return sd_bus_message_append_basic(call, 's', name.c_str());
    };
    return MethodCall{busName, busPath, busName, "GetNameOwner", std::move(writeName), timeout};
}

std::string BusConnection::ownerIn(sd_bus_message* reply) {
    if (sd_bus_message_is_method_error(reply, nullptr))
        return {};
    const char* name = nullptr;
    if (sd_bus_message_read(reply, "s", &name) < 0 || name == nullptr || name[0] != ':') {
        LUMRA_LOG("bus", "the bus answered GetNameOwner with no unique name");
        return {};
    }
    return name;
}

int BusConnection::dispatchMessage(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* slot = static_cast<Slot*>(userdata);
    if (slot->removed || slot->owner->m_closeRequested)
        return 0;
    if (slot->oneShot)
        slot->owner->remove(slot->id); // kept alive until dispatch ends
    callGuarded(slot->onMessage, message);
    // Zero: other matches on the same message still see it.
    return 0;
}

int BusConnection::dispatchInstalled(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto* slot = static_cast<Slot*>(userdata);
    if (slot->removed || slot->owner->m_closeRequested || !slot->onInstalled)
        return 0;
    auto onInstalled = std::move(slot->onInstalled);
    slot->onInstalled = nullptr;
    const bool installed = sd_bus_message_is_method_error(reply, nullptr) == 0;
    if (!installed) {
        const sd_bus_error* error = sd_bus_message_get_error(reply);
        LUMRA_LOG("bus",
                  fmt::format("the bus refused a match: {}",
                              error != nullptr && error->name != nullptr ? error->name : ""));
    }
    try {
        onInstalled(installed);
    } catch (...) {
        LUMRA_LOG_CAUGHT("bus", "a match's installed handler failed");
    }
    // Zero also on refusal: sd-bus would otherwise drop the whole connection.
    return 0;
}

void BusConnection::process() {
    if (m_bus == nullptr)
        return;
    const auto keepAlive = shared_from_this(); // a handler may drop the last owner
    bool broken = false;
    ++m_dispatchDepth;
    for (;;) {
        const int result = sd_bus_process(m_bus, nullptr);
        if (result < 0) {
            logFailure("the connection to the bus ended", result);
            broken = true;
            break;
        }
        if (result == 0 || m_closeRequested)
            break;
    }
    --m_dispatchDepth;
    releaseRemovedSlots();
    if (broken || m_closeRequested) {
        closeNow();
        return;
    }
    rearm();
}

void BusConnection::releaseRemovedSlots() {
    auto removed = std::move(m_removedSlots);
    m_removedSlots.clear();
    for (auto& slot : removed)
        sd_bus_slot_unref(slot->slot);
}

void BusConnection::rearm() {
    if (m_bus == nullptr || m_dispatchDepth > 0)
        return;
    const int events = sd_bus_get_events(m_bus);
    const int fd = sd_bus_get_fd(m_bus);
    if (events < 0 || fd < 0) {
        logFailure("the connection to the bus cannot be watched", events < 0 ? events : fd);
        closeNow();
        return;
    }
    std::weak_ptr<BusConnection> weak = weak_from_this();
    if (!m_watchId || events != m_watchedEvents) {
        if (m_watchId)
            m_io->unwatch(*m_watchId);
        m_watchedEvents = static_cast<short>(events);
        m_watchId = m_io->watch(fd, m_watchedEvents, [weak](short) {
            if (auto self = weak.lock())
                self->process();
        });
    }
    std::uint64_t microseconds = 0;
    std::optional<std::uint64_t> deadline;
    if (sd_bus_get_timeout(m_bus, &microseconds) > 0 &&
        microseconds != std::numeric_limits<std::uint64_t>::max())
        deadline = microseconds;
    if (deadline == m_timerDeadlineMicroseconds)
        return;
    if (m_timerId)
        m_io->cancelTimer(*m_timerId);
    m_timerId.reset();
    m_timerDeadlineMicroseconds = deadline;
    if (!deadline)
        return;
    // sd-bus counts on CLOCK_MONOTONIC, which is steady_clock's epoch here.
    const IoThread::Deadline at{std::chrono::microseconds(*deadline)};
    m_timerId = m_io->addTimer(at, [weak] {
        if (auto self = weak.lock()) {
            self->m_timerId.reset();
            self->m_timerDeadlineMicroseconds.reset();
            self->process();
        }
    });
}

void BusConnection::closeNow() {
    m_closeRequested = false;
    if (m_bus == nullptr)
        return;
    for (auto& [id, slot] : m_slots) {
        slot->removed = true;
        sd_bus_slot_unref(slot->slot);
    }
    m_slots.clear();
    releaseRemovedSlots();
    // Only the runtime that made the watch may be told to drop it; after its
    // end there is nothing left to drop.
    Runtime* runtime = Runtime::currentOrNull();
    if (runtime != nullptr && &runtime->io() == m_io) {
        if (m_watchId)
            m_io->unwatch(*m_watchId);
        if (m_timerId)
            m_io->cancelTimer(*m_timerId);
    }
    m_watchId.reset();
    m_timerId.reset();
    m_timerDeadlineMicroseconds.reset();
    // Not flushed: a stuck bus daemon must not hang the I/O thread, and the
    // daemon drops this connection's matches by itself.
    sd_bus_close_unref(m_bus);
    m_bus = nullptr;
}

} // namespace lumra
