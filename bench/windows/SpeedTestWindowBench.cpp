// One real speed test driven through the Speed Test window, offscreen:
//
//   speedtest_window_bench SERVICE_URL PING_HOST SCREEN_PNG [ROUNDS]
//
// Clicks the window's button (then "Retest", ROUNDS tests in all, 3 by
// default), lets the real monitor, runner and ping prober run against
// SERVICE_URL, and checks that every test ends in the completed layout with
// throughput between 85 and 100 Mbps and both grades shown. Prints what the
// window shows and the CPU cost over the runs: the whole process; the
// window's own share (every event delivered to the view or a child of it:
// its deferred refreshes, layouts and paints); the rest of the Qt thread
// (the monitor and the main actor); the other threads (the runner's
// transfers); and the ping children. Exits 1 when a check fails.
#include "bench/support/RealSpeedTestMonitor.h"
#include "concurrency/Runtime.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "qt/QtMainActorBinding.h"
#include "systool/SystoolPath.h"
#include "windows/speedtest/SpeedTestWindowView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace lumra;

struct ThreadTimes {
    std::string name;
    double seconds;
};

// CPU seconds of every thread of this process by thread id, from /proc.
std::map<int, ThreadTimes> threadTimes() {
    std::map<int, ThreadTimes> times;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream stat(("/proc/self/task/" + tid + "/stat").toStdString());
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        // Fields after the name: state is 3; utime 14 and stime 15.
        double utime = 0, stime = 0;
        for (int index = 3; rest >> field; ++index) {
            if (index == 14)
                utime = std::stod(field);
            if (index == 15) {
                stime = std::stod(field);
                break;
            }
        }
        times[tid.toInt()] = {line.substr(open + 1, close - open - 1), (utime + stime) / ticks};
    }
    return times;
}

double seconds(const timeval& value) {
    return value.tv_sec + value.tv_usec / 1e6;
}

double cpuOf(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString labelText(QWidget& view, const char* name) {
    auto* label = view.findChild<QLabel*>(QString::fromUtf8(name));
    return label ? label->text() : QStringLiteral("(none)");
}

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Adds up the CPU time of the events delivered to one widget tree.
class MeasuringApplication final : public QApplication {
public:
    using QApplication::QApplication;

    void watch(QWidget* root) { m_root = root; }
    double watchedSeconds() const { return m_seconds; }
    long long watchedEvents() const { return m_events; }

    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth > 0 || !m_root || !isInside(receiver))
            return QApplication::notify(receiver, event);
        ++m_depth;
        const double start = threadCpuSeconds();
        const bool handled = QApplication::notify(receiver, event);
        m_seconds += threadCpuSeconds() - start;
        ++m_events;
        --m_depth;
        return handled;
    }

private:
    bool isInside(QObject* object) const {
        for (; object; object = object->parent())
            if (object == m_root)
                return true;
        return false;
    }

    QWidget* m_root = nullptr;
    int m_depth = 0;
    double m_seconds = 0;
    long long m_events = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        fmt::print(stderr,
                   "usage: speedtest_window_bench SERVICE_URL PING_HOST SCREEN_PNG [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc == 5 ? std::max(1, std::atoi(argv[4])) : 3;
    const std::string service = argv[1];
    const std::string host = argv[2];
    const QString screen = QString::fromUtf8(argv[3]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MeasuringApplication application(argc, argv);
    Runtime runtime;
    QtMainActorBinding binding(runtime.mainActor());

    auto monitor = bench::makeRealSpeedTestMonitor(service, host);

    auto view = std::make_unique<SpeedTestWindowView>(Engine{.speedTestMonitor = monitor}, 10.0);
    view->resize(960, 680);
    view->show();
    QApplication::processEvents();

    const int qtThread = static_cast<int>(::gettid());
    const auto threadsBefore = threadTimes();
    const double processBefore = cpuOf(RUSAGE_SELF);
    const double childrenBefore = cpuOf(RUSAGE_CHILDREN);
    const auto started = std::chrono::steady_clock::now();

    application.watch(view.get());
    bool allPassed = true;
    for (int round = 1; round <= rounds; ++round) {
        auto* button = view->findChild<QAbstractButton*>(
            round == 1 ? QStringLiteral("emptyButton") : QStringLiteral("headerButton"));
        const QString expected = round == 1 ? QStringLiteral("Run Test") : QStringLiteral("Retest");
        if (!button || !button->isVisible() || button->text() != expected) {
            fmt::print("round {}: no visible \"{}\" button (\"{}\", {})\n", round,
                       expected.toStdString(), button ? button->text().toStdString() : "",
                       button && button->isVisible() ? "visible" : "hidden");
            return 1;
        }
        button->click();
        // A loop of its own: QApplication::quit() would close the window.
        QEventLoop waiting;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!monitor->isRunning().get())
                waiting.quit();
        });
        poll.start(100);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &waiting, &QEventLoop::quit);
        guard.start(300'000);
        waiting.exec();
        // The last publication's refresh.
        QApplication::processEvents();

        auto* badge = view->findChild<QLabel*>(QStringLiteral("phaseBadge"));
        const double down = monitor->downloadMbps().get().value_or(0);
        const double up = monitor->uploadMbps().get().value_or(0);
        const bool passed =
            monitor->phase().get() == SpeedTestPhase::completed && badge &&
            badge->isVisibleTo(view.get()) && badge->text() == QStringLiteral("Completed") &&
            down >= 85 && down <= 100 && up >= 85 && up <= 100 &&
            monitor->downloadBufferbloatGrade().get() && monitor->uploadBufferbloatGrade().get() &&
            labelText(*view, "gradeLetter0") != QString(QChar(0x2014)) &&
            labelText(*view, "gradeLetter1") != QString(QChar(0x2014));
        allPassed = allPassed && passed;
        fmt::print("round {}: {:.2f} / {:.2f} Mbps, phase {}, {}\n", round, down, up,
                   rawValue(monitor->phase().get()), passed ? "ok" : "FAILED");
    }

    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double process = cpuOf(RUSAGE_SELF) - processBefore;
    const double children = cpuOf(RUSAGE_CHILDREN) - childrenBefore;
    const auto threadsAfter = threadTimes();
    double qt = 0, others = 0;
    std::map<std::string, double> byName;
    for (const auto& [tid, after] : threadsAfter) {
        const auto before = threadsBefore.find(tid);
        const double spent =
            after.seconds - (before == threadsBefore.end() ? 0.0 : before->second.seconds);
        byName[after.name] += spent;
        (tid == qtThread ? qt : others) += spent;
    }
    view->grab().save(screen);

    auto* badge = view->findChild<QLabel*>(QStringLiteral("phaseBadge"));
    const QString down = view->findChild<QWidget*>(QStringLiteral("downloadTile"))
                             ->findChild<QLabel*>(QStringLiteral("value"))
                             ->text();
    const QString up = view->findChild<QWidget*>(QStringLiteral("uploadTile"))
                           ->findChild<QLabel*>(QStringLiteral("value"))
                           ->text();
    fmt::print(
        "phase {}; badge \"{}\"; header button \"{}\"\n", rawValue(monitor->phase().get()),
        badge && badge->isVisibleTo(view.get()) ? badge->text().toStdString() : "",
        view->findChild<QAbstractButton*>(QStringLiteral("headerButton"))->text().toStdString());
    fmt::print("download {}  upload {}\n", down.toStdString(), up.toStdString());
    fmt::print("baseline {}  download load {}  upload load {}\n",
               labelText(*view, "latency0").toStdString(),
               labelText(*view, "latency1").toStdString(),
               labelText(*view, "latency2").toStdString());
    fmt::print("grades {} {} / {} {}\n", labelText(*view, "gradeLetter0").toStdString(),
               labelText(*view, "gradeRatio0").toStdString(),
               labelText(*view, "gradeLetter1").toStdString(),
               labelText(*view, "gradeRatio1").toStdString());
    fmt::print("{}\n{}\n", labelText(*view, "insight0").toStdString(),
               labelText(*view, "insight1").toStdString());
    fmt::print("{}\n", labelText(*view, "lastTested").toStdString());
    const auto perMinute = [wall](double cpu) {
        return cpu / wall * 60.0;
    };
    fmt::print("\nCPU over {} tests, {:.1f} s (seconds; per minute in brackets)\n", rounds, wall);
    fmt::print("  whole process          {:.3f} ({:.2f}/min)\n", process, perMinute(process));
    const double window = application.watchedSeconds();
    fmt::print("  the window's events    {:.3f} ({:.2f}/min; {} events)\n", window,
               perMinute(window), application.watchedEvents());
    fmt::print("  rest of the Qt thread  {:.3f} ({:.2f}/min; monitor, main actor)\n", qt - window,
               perMinute(qt - window));
    fmt::print("  other threads          {:.3f} ({:.2f}/min; runner transfers, pool)\n", others,
               perMinute(others));
    for (const auto& [name, spent] : byName)
        fmt::print("    {:<16} {:.3f}\n", name, spent);
    fmt::print("  ping children          {:.3f} ({:.2f}/min)\n", children, perMinute(children));

    fmt::print("\n{}\n", allPassed ? "PASS: every test ended in the completed layout, 85-100 "
                                     "Mbps both ways, grades shown"
                                   : "FAIL");
    view.reset();
    monitor.reset();
    runtime.shutdown();
    return allPassed ? 0 : 1;
}
