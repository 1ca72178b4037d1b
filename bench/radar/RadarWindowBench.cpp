// The Wi-Fi Radar window's cost: CPU seconds per minute of the process while
// the window is shown and its sweep animates, next to the same time with the
// window closed, and the measured interval between drawn radar frames. The
// window reads a scripted interface and scanner (no radio, no network), with
// the real clock and the Qt event loop as the main actor.
//   radar_window_bench [SECONDS_PER_PHASE]   (default 60; offscreen unless
//                                              QT_QPA_PLATFORM is set)
#include "concurrency/Runtime.h"
#include "qt/QtMainActorBinding.h"
#include "qt/RasterThreads.h"
#include "windows/radar/RadarCanvasView.h"
#include "windows/radar/WiFiRadarWindowView.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fmt/format.h>
#include <vector>

namespace lumra {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A link that drifts, so that every reading changes the cards.
class DriftingInterface final : public WiFiInterfaceProviding {
public:
    std::optional<WiFiInterfaceSnapshot> currentSnapshot() override {
        ++m_reads;
        const std::int64_t rssi = -50 - (m_reads % 20);
        return WiFiInterfaceSnapshot{"wlan0",
                                     "Home",
                                     "aa:bb:cc:dd:ee:01",
                                     rssi,
                                     -92,
                                     300 + (m_reads % 7) * 50,
                                     36,
                                     WiFiBand::fiveGigahertz};
    }

private:
    std::int64_t m_reads = 0;
};

class FixedScanner final : public WiFiNetworkScanning {
public:
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        co_return std::vector<WiFiScannedNetwork>{
            {"Cafe", "02:00:00:00:00:01", -67, 11, WiFiBand::twoPointFourGigahertz},
            {"Neighbour", "02:00:00:00:00:02", -72, 44, WiFiBand::fiveGigahertz},
            {std::nullopt, std::nullopt, -81, 6, WiFiBand::twoPointFourGigahertz},
        };
    }
};

// Timestamps of the radar's paints.
class FrameRecorder final : public QObject {
public:
    std::vector<SteadyClock::time_point> frames;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            frames.push_back(SteadyClock::now());
        return QObject::eventFilter(watched, event);
    }
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A local loop: leaving QApplication::exec() would announce quitting,
// which closes the window's work.
void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Phase {
    double wallSeconds;
    double cpuSeconds;
    double cpuPerMinute() const { return cpuSeconds / wallSeconds * 60; }
};

Phase measure(double seconds) {
    const auto wallStart = SteadyClock::now();
    const double cpuStart = processCpuSeconds();
    runFor(seconds);
    return {std::chrono::duration<double>(SteadyClock::now() - wallStart).count(),
            processCpuSeconds() - cpuStart};
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

} // namespace
} // namespace lumra

int main(int argc, char** argv) {
    using namespace lumra;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // As the application does.
    limitRasterFillThreads();
    Runtime runtime;
    QtMainActorBinding binding(runtime.mainActor());

    PlatformServices services;
    services.makeInterfaceProvider = [] {
        return std::make_shared<DriftingInterface>();
    };
    services.makeNetworkScanner = [] {
        return std::make_shared<FixedScanner>();
    };
    auto* view = new WiFiRadarWindowView(Engine{}, services);
    view->resize(1080, 680);
    FrameRecorder recorder;
    view->canvas()->installEventFilter(&recorder);

    // Closed first: what the window costs while nobody looks at it.
    runFor(1.0);
    const Phase closed = measure(seconds);

    view->show();
    runFor(1.0); // settle: first paints, first scan
    recorder.frames.clear();
    const Phase open = measure(seconds);
    const std::vector<SteadyClock::time_point> frames = recorder.frames;
    view->hide();
    delete view;

    std::vector<double> intervals;
    for (std::size_t i = 1; i < frames.size(); ++i)
        intervals.push_back(
            std::chrono::duration<double, std::milli>(frames[i] - frames[i - 1]).count());
    double mean = 0;
    for (double interval : intervals)
        mean += interval;
    mean = intervals.empty() ? 0 : mean / static_cast<double>(intervals.size());

    fmt::print("platform {}\n", QApplication::platformName().toStdString());
    fmt::print("phase seconds {:.1f}\n", seconds);
    fmt::print("cpu seconds per minute, window closed     {:.3f}\n", closed.cpuPerMinute());
    fmt::print("cpu seconds per minute, window animating  {:.3f}\n", open.cpuPerMinute());
    fmt::print("radar frames {} in {:.1f} s ({:.1f} per second)\n", frames.size(), open.wallSeconds,
               static_cast<double>(frames.size()) / open.wallSeconds);
    fmt::print(
        "frame interval ms: mean {:.2f} median {:.2f} p5 {:.2f} p95 {:.2f} min {:.2f} max {:.2f}\n",
        mean, percentile(intervals, 0.5), percentile(intervals, 0.05), percentile(intervals, 0.95),
        intervals.empty() ? 0 : *std::min_element(intervals.begin(), intervals.end()),
        intervals.empty() ? 0 : *std::max_element(intervals.begin(), intervals.end()));
    runtime.shutdown();
    return 0;
}
