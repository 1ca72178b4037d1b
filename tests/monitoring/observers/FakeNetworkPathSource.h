// A path source whose monitors deliver only what the test submits. submit()
// runs the monitor's handler on the queue it was started on and waits until
// it has run; a cancelled monitor still delivers when told to, which is how
// a path that was already under way when the observer stopped looks.
#pragma once

#include "platform/network/NetworkPathSourcing.h"

#include <atomic>
#include <future>
#include <memory>
#include <vector>

namespace lumra {

class FakeNetworkPathSource final : public NetworkPathSourcing {
public:
    struct Monitor final : NetworkPathMonitoring {
        Executor* queue = nullptr;
        PathHandler onPath;
        std::atomic<int> cancelCount{0};
        std::atomic<bool> handlerRanOnQueue{true};

        void cancel() override { ++cancelCount; }
    };

    std::shared_ptr<NetworkPathMonitoring> startMonitor(Executor& queue,
                                                        PathHandler onPath) override {
        auto monitor = std::make_shared<Monitor>();
        monitor->queue = &queue;
        monitor->onPath = std::move(onPath);
        monitors.push_back(monitor);
        return monitor;
    }

    // Hands path to monitor number index (the latest by default) without
    // waiting.
    void post(NetworkPath path, std::size_t index) {
        auto monitor = monitors.at(index);
        monitor->queue->post([monitor, path = std::move(path)] {
            if (!monitor->queue->isCurrent())
                monitor->handlerRanOnQueue = false;
            monitor->onPath(path);
        });
    }

    // Hands path over and waits until the queue has run the handler.
    void submit(NetworkPath path, std::size_t index) {
        post(std::move(path), index);
        waitForQueue(index);
    }
    void submit(NetworkPath path) { submit(std::move(path), monitors.size() - 1); }

    void waitForQueue(std::size_t index) {
        std::promise<void> done;
        auto finished = done.get_future();
        monitors.at(index)->queue->post([&done] { done.set_value(); });
        finished.wait();
    }

    std::vector<std::shared_ptr<Monitor>> monitors;
};

} // namespace lumra
