// The Wi-Fi Radar window's content, built once by the menu-bar controller
// and kept while the window is hidden. It makes its own radar feed and
// nearby-network scanner (from services) and runs them, with the sweep
// animation, only while it is shown: a hide that is not a minimise stops
// them, showing again restarts them. Main thread.
#pragma once

#include "monitoring/radar/WiFiRadarMonitor.h"
#include "monitoring/radar/WiFiRadarNearbyNetworksController.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "shell/services/Engine.h"
#include "shell/services/PlatformServices.h"
#include "windows/radar/viewmodel/WiFiRadarWindowState.h"

#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QScrollArea;
class QTimer;
class QVBoxLayout;

class QBoxLayout;

namespace lumra {

class CapsuleBadge;
class DeferredRefresh;
class RadarCanvasView;
class RadarMetricCardView;

class WiFiRadarWindowView final : public QWidget {
public:
    static constexpr double kPollInterval = 0.25;
    static constexpr std::size_t kHistoryLimit = 120;
    static constexpr double kScanInterval = 8.0;
    // At most 30 frames a second.
    static constexpr int kSweepFrameMilliseconds = 34;
    static constexpr int kNearbyListHeight = 106;

    WiFiRadarWindowView(const Engine& engine, PlatformServices services, QWidget* parent = nullptr);
    ~WiFiRadarWindowView() override;

    QSize sizeHint() const override { return {1080, 680}; }

    // For tests and the host.
    const std::shared_ptr<WiFiRadarMonitor>& radarMonitor() const { return m_radarMonitor; }
    const std::shared_ptr<WiFiRadarNearbyNetworksController>& nearbyController() const {
        return m_nearbyController;
    }
    // The animation timer; none while the window is not shown.
    QTimer* sweepTimer() const { return m_sweepTimer; }
    RadarCanvasView* canvas() const { return m_canvas; }
    const WiFiRadarWindowState& state() const { return m_state; }
    // Redraws from the observed objects now instead of in the queued call.
    void refresh();
    // One frame of the sweep, at the clock's time (the timer's tick).
    void advanceSweep();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildInformationColumn();
    QBoxLayout* buildHeader();
    QBoxLayout* buildNetworkBlock();
    QBoxLayout* buildNearbyBlock();
    void appear();
    void disappear();
    void layoutColumns();
    void showNearbyRows(const std::vector<RadarNearbyRow>& rows);

    const Engine m_engine;
    PlatformServices m_services;
    std::shared_ptr<WiFiRadarMonitor> m_radarMonitor;
    std::shared_ptr<WiFiRadarNearbyNetworksController> m_nearbyController;
    double m_sweepStartSeconds = 0;
    bool m_isAppeared = false;
    WiFiRadarWindowState m_state;

    QWidget* m_informationColumn = nullptr;
    RadarCanvasView* m_canvas = nullptr;
    QLabel* m_hintSymbol = nullptr;
    QLabel* m_hintText = nullptr;
    QLabel* m_networkName = nullptr;
    CapsuleBadge* m_currentTag = nullptr;
    QLabel* m_channel = nullptr;
    std::vector<RadarMetricCardView*> m_cards;
    QWidget* m_nearbyArea = nullptr;
    QLabel* m_nearbyPlaceholder = nullptr;
    QScrollArea* m_nearbyScroll = nullptr;
    QVBoxLayout* m_nearbyRowsLayout = nullptr;
    std::vector<QWidget*> m_nearbyRowViews;
    QTimer* m_sweepTimer = nullptr;
    DeferredRefresh* m_refresh = nullptr;
};

} // namespace lumra
