// Reports network-path changes: a path monitor delivers paths on this
// observer's serial queue, where each is reduced to a signature (status and
// the kinds of interface used); a new signature is announced on the callback
// queue. The first path after each start only sets the baseline.
//
// Threads: construction, the callback accessors, start and stop run on the
// callback queue's thread (the main actor); the signature state belongs to the
// monitor queue. Every start is a new generation: the monitor queue drops
// paths of other generations, and the callback queue drops announcements of a
// generation that is no longer observing, so a path that was already under
// way when stop ran is neither announced nor taken as the first path of the
// next start.
#pragma once

#include "concurrency/Executor.h"
#include "concurrency/ThreadPool.h"
#include "monitoring/observers/NetworkChangeObserving.h"
#include "platform/network/NetworkPathSourcing.h"

#include <cstdint>
#include <memory>

namespace lumra {

class NWPathNetworkChangeObserver final : public NetworkChangeObserving {
public:
    NWPathNetworkChangeObserver(Executor& callbackQueue,
                                std::shared_ptr<NetworkPathSourcing> pathSource);
    // Cancels a running monitor, so no thread or socket outlives the observer.
    ~NWPathNetworkChangeObserver() override;
    NWPathNetworkChangeObserver(const NWPathNetworkChangeObserver&) = delete;
    NWPathNetworkChangeObserver& operator=(const NWPathNetworkChangeObserver&) = delete;

    Callback onNetworkChange() const override;
    void setOnNetworkChange(Callback callback) override;

    void startObserving() override;
    void stopObserving() override;

private:
    struct PathSignature {
        NetworkPathStatus status = NetworkPathStatus::unsatisfied;
        bool usesWiFi = false;
        bool usesWiredEthernet = false;
        bool usesCellular = false;
        bool usesOtherInterface = false;

        bool operator==(const PathSignature&) const = default;
    };
    struct CallbackState;
    struct MonitorQueueState;

    static PathSignature signatureOf(const NetworkPath& path);

    std::shared_ptr<CallbackState> m_callbackState; // holds onNetworkChange
    std::unique_ptr<SerialQueue> m_monitorQueue;
    Executor& m_callbackQueue;
    std::shared_ptr<NetworkPathSourcing> m_pathSource;
    std::shared_ptr<NetworkPathMonitoring> m_monitor;
    std::shared_ptr<MonitorQueueState> m_queueState; // previous signature, initial-path flag
    std::uint64_t m_generation = 0;
};

} // namespace lumra
