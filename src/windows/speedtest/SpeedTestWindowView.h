// The Speed Test window's content: starts and cancels the shared monitor's
// test and shows, from the monitor alone, its progress, throughput, latencies,
// bufferbloat grades and lag-under-load sentences. It does not start or stop
// a test when shown or hidden. Main thread.
#pragma once

#include "shell/services/Engine.h"
#include "windows/speedtest/viewmodel/SpeedTestWindowModel.h"

#include <QWidget>
#include <array>
#include <memory>

class QLabel;
class QScrollArea;

namespace lumra {

class CapsuleBadge;
class DeferredRefresh;
class ProgressBar;
class KitButton;

class SpeedTestWindowView final : public QWidget {
public:
    // headerContentSpacing: points between the header and the content.
    SpeedTestWindowView(const Engine& engine, double headerContentSpacing,
                        QWidget* parent = nullptr);

    // The state shown now; the view redraws it after each change of the monitor.
    SpeedTestWindowModel currentModel() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct MetricTile {
        QLabel* value;
    };
    struct GradeTile {
        QLabel* letter;
        QLabel* ratio;
    };
    struct InsightRow {
        QLabel* symbol;
        QLabel* text;
    };

    void refresh();
    void runButtonAction();
    QWidget* buildHeader();
    QWidget* buildEmptyBlock();
    QWidget* buildResultsBlock(const SpeedTestWindowModel& model);
    QWidget* buildStatusBlock(QWidget* parent);
    QWidget* buildThroughputCard(const SpeedTestWindowModel& model, QWidget* parent);
    QWidget* buildLatencyCard(const SpeedTestWindowModel& model, QWidget* parent);
    QWidget* buildBufferbloatCard(const SpeedTestWindowModel& model, QWidget* parent);

    const Engine m_engine;
    double m_headerContentSpacing;

    QScrollArea* m_scroll = nullptr;
    CapsuleBadge* m_badge = nullptr;
    KitButton* m_headerButton = nullptr;
    QWidget* m_emptyBlock = nullptr;
    KitButton* m_emptyButton = nullptr;
    QWidget* m_resultsBlock = nullptr;
    QWidget* m_statusBlock = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_percentText = nullptr;
    ProgressBar* m_progress = nullptr;
    std::array<MetricTile, 2> m_metricTiles{};
    std::array<QLabel*, 3> m_latencyValues{};
    std::array<GradeTile, 2> m_gradeTiles{};
    std::array<InsightRow, 2> m_insightRows{};
    QWidget* m_footer = nullptr;
    QLabel* m_lastTested = nullptr;
    DeferredRefresh* m_refresh = nullptr;
};

} // namespace lumra
