// One sd-bus connection driven by the I/O thread: its socket is an I/O-thread
// watch, its time-outs are I/O-thread timers, and sd_bus_process runs there.
// sd-bus objects are not thread-safe, so every method, every handler and the
// last release of the connection belong to the I/O thread; other threads post
// their work there.
#pragma once

#include "concurrency/IoThread.h"
#include "platform/bus/BusAddress.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <vector>

namespace lumra {

class BusConnection final : public std::enable_shared_from_this<BusConnection> {
public:
    using SlotId = std::uint64_t;
    // The message stays valid only during the call.
    using MessageHandler = std::function<void(sd_bus_message* message)>;
    // Appends the call's arguments; a negative errno aborts the call.
    using ArgumentWriter = std::function<int(sd_bus_message* call)>;

    // Empty fields match anything. A well-known sender name matches the
    // broadcasts of the connection that owns it (the bus daemon resolves
    // it), but a signal sent to this connection alone passes whoever sent
    // it. A unique name (GetNameOwner) is compared with every signal's
    // sender.
    struct SignalMatch {
        std::string sender;
        std::string path;
        std::string interface;
        std::string member;
    };

    struct MethodCall {
        std::string destination;
        std::string path;
        std::string interface;
        std::string member;
        ArgumentWriter writeArguments;        // may be empty: no arguments
        std::chrono::microseconds timeout{0}; // 0: sd-bus's default (25 s)
    };

    // Connects on the calling (I/O) thread. Null when no bus answers at that
    // address (no socket, connection refused): a missing bus is an ordinary
    // state of the machine, not an error.
    static std::shared_ptr<BusConnection> open(const BusAddress& address);

    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    // Calls onSignal for every matching signal until remove(id). onInstalled,
    // if given, runs once when the bus has accepted the match (true) or
    // refused it (false); signals sent before acceptance may be missed.
    // Nullopt when the connection is closed or sd-bus refuses the rule.
    std::optional<SlotId> addSignalMatch(SignalMatch match, MessageHandler onSignal,
                                         std::function<void(bool installed)> onInstalled = {});

    // Sends the call; onReply runs once with the reply or the error reply
    // (sd_bus_message_is_method_error), including the time-out and the
    // connection's loss. Nullopt when the call could not be sent. After
    // remove(id) or close() onReply never runs.
    std::optional<SlotId> callMethod(MethodCall call, MessageHandler onReply);

    // Follows which connection owns name: onOwner gets its unique name
    // (empty: nobody) once the bus has answered, then at every change the
    // bus itself announces. remove(id) ends it. Nullopt when the match
    // cannot be added.
    std::optional<SlotId> followNameOwner(const std::string& name,
                                          std::function<void(const std::string& owner)> onOwner);

    // Ends a match or a pending call; its handler never runs afterwards, also
    // when called from inside a handler.
    void remove(SlotId id);

    bool isOpen() const noexcept { return m_bus != nullptr; }
    // The connection's unique name on the bus, empty before the bus has
    // answered the first hello.
    std::string uniqueName() const;

    // Flushes what is queued and disconnects; handlers never run afterwards.
    // Safe to call from inside a handler (takes effect when it returns).
    void close();

    // The unique name of the connection that sent message, as the bus daemon
    // stamps it (the bus's own signals say "org.freedesktop.DBus"); empty
    // when it carries none.
    static std::string senderOf(sd_bus_message* message);
    // Asks the bus which connection owns name now; ownerIn reads the reply.
    static MethodCall nameOwnerCall(const std::string& name,
                                    std::chrono::microseconds timeout = {});
    // The unique name in a GetNameOwner reply; empty for an error reply
    // (nobody owns the name, or no answer) or a reply that holds none.
    static std::string ownerIn(sd_bus_message* reply);

private:
    struct Slot {
        BusConnection* owner = nullptr;
        SlotId id = 0;
        sd_bus_slot* slot = nullptr;
        MessageHandler onMessage;
        std::function<void(bool)> onInstalled;
        bool oneShot = false;
        bool removed = false;
    };

    explicit BusConnection(sd_bus* bus);

    static int dispatchMessage(sd_bus_message* message, void* userdata, sd_bus_error* error);
    static int dispatchInstalled(sd_bus_message* reply, void* userdata, sd_bus_error* error);

    Slot& newSlot(MessageHandler onMessage, bool oneShot);
    void process();
    void rearm();
    void releaseRemovedSlots();
    void closeNow();

    sd_bus* m_bus = nullptr;
    IoThread* m_io = nullptr;
    std::map<SlotId, std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<Slot>> m_removedSlots;
    SlotId m_nextSlotId = 1;
    int m_dispatchDepth = 0;
    bool m_closeRequested = false;
    std::optional<IoThread::WatchId> m_watchId;
    short m_watchedEvents = 0;
    std::optional<IoThread::TimerId> m_timerId;
    std::optional<std::uint64_t> m_timerDeadlineMicroseconds;
};

} // namespace lumra
