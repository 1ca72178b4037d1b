#include "monitoring/observers/NWPathNetworkChangeObserver.h"

#include <cassert>
#include <optional>

namespace lumra {

// Callback queue only.
struct NWPathNetworkChangeObserver::CallbackState {
    Callback onNetworkChange;
    std::uint64_t observingGeneration = 0; // 0: not observing
};

// Monitor queue only (made on the callback queue before any job sees it).
struct NWPathNetworkChangeObserver::MonitorQueueState {
    Executor* callbackQueue = nullptr;
    std::weak_ptr<CallbackState> callbackState;
    std::uint64_t activeGeneration = 0;
    std::optional<PathSignature> previousSignature;
    bool hasReceivedInitialPath = false;

    void reset(std::uint64_t generation) {
        activeGeneration = generation;
        previousSignature.reset();
        hasReceivedInitialPath = false;
    }

    void pathUpdate(std::uint64_t generation, const NetworkPath& path) {
        if (generation != activeGeneration)
            return; // submitted before a stop
        const PathSignature signature = signatureOf(path);
        if (!hasReceivedInitialPath) {
            hasReceivedInitialPath = true;
            previousSignature = signature;
            return;
        }
        if (signature == previousSignature)
            return;
        previousSignature = signature;
        callbackQueue->post([weak = callbackState, generation] {
            auto state = weak.lock();
            if (!state || state->observingGeneration != generation)
                return;
            // A copy: the callback may replace itself while it runs.
            auto callback = state->onNetworkChange;
            if (callback)
                callback();
        });
    }
};

NWPathNetworkChangeObserver::NWPathNetworkChangeObserver(
    Executor& callbackQueue, std::shared_ptr<NetworkPathSourcing> pathSource)
    : m_callbackState(std::make_shared<CallbackState>()),
      m_monitorQueue(std::make_unique<SerialQueue>("network.lumra.path-monitor")),
      m_callbackQueue(callbackQueue), m_pathSource(std::move(pathSource)),
      m_queueState(std::make_shared<MonitorQueueState>()) {
    assert(m_pathSource && "a path source is required");
    m_queueState->callbackQueue = &m_callbackQueue;
    m_queueState->callbackState = m_callbackState;
}

NWPathNetworkChangeObserver::~NWPathNetworkChangeObserver() {
    if (m_monitor)
        m_monitor->cancel();
    m_monitor.reset();
    // m_monitorQueue's end runs what is queued (only the shared state is
    // touched there) and joins its thread.
}

NetworkChangeObserving::Callback NWPathNetworkChangeObserver::onNetworkChange() const {
    return m_callbackState->onNetworkChange;
}

void NWPathNetworkChangeObserver::setOnNetworkChange(Callback callback) {
    m_callbackState->onNetworkChange = std::move(callback);
}

NWPathNetworkChangeObserver::PathSignature
NWPathNetworkChangeObserver::signatureOf(const NetworkPath& path) {
    return PathSignature{
        path.status,
        path.usesInterfaceType(NetworkInterfaceType::wifi),
        path.usesInterfaceType(NetworkInterfaceType::wiredEthernet),
        path.usesInterfaceType(NetworkInterfaceType::cellular),
        path.usesInterfaceType(NetworkInterfaceType::other),
    };
}

void NWPathNetworkChangeObserver::startObserving() {
    if (m_monitor)
        return;
    const std::uint64_t generation = ++m_generation;
    m_callbackState->observingGeneration = generation;
    // Queued ahead of anything the new monitor submits.
    m_monitorQueue->post([state = m_queueState, generation] { state->reset(generation); });
    m_monitor = m_pathSource->startMonitor(*m_monitorQueue,
                                           [state = m_queueState, generation](NetworkPath path) {
                                               state->pathUpdate(generation, path);
                                           });
}

void NWPathNetworkChangeObserver::stopObserving() {
    if (m_monitor)
        m_monitor->cancel();
    m_monitor.reset();
    m_callbackState->observingGeneration = 0;
    m_monitorQueue->post([state = m_queueState] { state->reset(0); });
}

} // namespace lumra
