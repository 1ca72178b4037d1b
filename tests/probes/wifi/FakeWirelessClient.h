// A WirelessClient that answers what the test set, and records where and how
// often it was asked.
#pragma once

#include "platform/wireless/WirelessClient.h"
#include "platform/wireless/WirelessError.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace lumra::test {

class FakeWirelessClient final : public WirelessClient {
public:
    std::optional<WirelessInterface> interface;
    std::optional<WirelessLinkReading> reading;
    std::optional<WirelessScan> scan;
    // Every call throws WirelessError with this errno when set.
    std::optional<int> errorNumber;

    std::optional<WirelessInterface> defaultInterface() override {
        throwIfSet();
        return interface;
    }
    std::optional<WirelessLinkReading> currentReading() override {
        throwIfSet();
        return reading;
    }
    std::optional<WirelessScan> scanNetworks() override {
        {
            std::lock_guard lock(m_mutex);
            m_scanThread = std::this_thread::get_id();
        }
        ++scanCalls;
        throwIfSet();
        return scan;
    }

    std::thread::id scanThread() const {
        std::lock_guard lock(m_mutex);
        return m_scanThread;
    }

    std::atomic<int> scanCalls{0};

private:
    void throwIfSet() const {
        if (errorNumber) {
            throw WirelessError(*errorNumber);
        }
    }

    mutable std::mutex m_mutex;
    std::thread::id m_scanThread;
};

} // namespace lumra::test
