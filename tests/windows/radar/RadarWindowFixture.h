// A Wi-Fi Radar window over a scripted interface and scanner, on the virtual
// clock.
#pragma once

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "probes/wifi/WiFiNetworkScannerError.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/ViewFixture.h"
#include "tests/support/WidgetTesting.h"
#include "windows/radar/WiFiRadarWindowView.h"

#include <QLabel>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace lumra::test {

class CountingRadarInterface final : public WiFiInterfaceProviding {
public:
    std::optional<WiFiInterfaceSnapshot> reading;
    int reads = 0;
    std::optional<WiFiInterfaceSnapshot> currentSnapshot() override {
        ++reads;
        return reading;
    }
};

// Answers every scan at once with the networks set, or fails; runs on the
// background pool.
class CountingRadarScanner final : public WiFiNetworkScanning {
public:
    void answer(std::vector<WiFiScannedNetwork> networks) {
        std::lock_guard lock(m_mutex);
        m_networks = std::move(networks);
        m_fails = false;
    }
    void fail() {
        std::lock_guard lock(m_mutex);
        m_fails = true;
    }
    int scans() const { return m_scans.load(); }

    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        ++m_scans;
        std::vector<WiFiScannedNetwork> networks;
        bool fails = false;
        {
            std::lock_guard lock(m_mutex);
            networks = m_networks;
            fails = m_fails;
        }
        if (fails)
            throw WiFiNetworkScannerError::interfaceUnavailable();
        co_return networks;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<WiFiScannedNetwork> m_networks;
    bool m_fails = false;
    std::atomic<int> m_scans{0};
};

inline WiFiInterfaceSnapshot
radarInterfaceReading(std::optional<std::string> ssid, std::int64_t rssi, std::int64_t noise,
                      std::optional<std::int64_t> rate, std::optional<std::int64_t> channel = 36,
                      std::optional<WiFiBand> band = WiFiBand::fiveGigahertz) {
    return {"wlan0", std::move(ssid), "aa:bb:cc:dd:ee:01", rssi, noise, rate, channel, band};
}

class RadarWindowTest : public lumra::test::VirtualClockViewTest {
protected:
    RadarWindowTest() { view->resize(1080, 680); }
    ~RadarWindowTest() override {
        view.reset();
        if (wifiMonitor)
            wifiMonitor->stop();
        loop.runUntilIdle();
    }

    QLabel* label(const char* name) const {
        return view->findChild<QLabel*>(QString::fromUtf8(name));
    }
    QString text(const char* name) const { return label(name)->text(); }

    std::shared_ptr<CountingRadarInterface> interface = std::make_shared<CountingRadarInterface>();
    std::shared_ptr<CountingRadarScanner> scanner = std::make_shared<CountingRadarScanner>();
    std::shared_ptr<FakeInterface> wifiInterface = [] {
        auto fake = std::make_shared<FakeInterface>();
        fake->reading.reset();
        return fake;
    }();
    std::shared_ptr<WiFiMonitor> wifiMonitor = WiFiMonitor::create(
        wifiInterface, std::make_shared<FakeResolver>(), std::make_shared<TaskSleeper>(),
        [] { return runtimeClock().wallNow(); }, {});
    std::unique_ptr<WiFiRadarWindowView> view = std::make_unique<WiFiRadarWindowView>(
        Engine{.wifiMonitor = wifiMonitor},
        PlatformServices{[this] { return interface; }, [this] { return scanner; }, {}});
};

} // namespace lumra::test
