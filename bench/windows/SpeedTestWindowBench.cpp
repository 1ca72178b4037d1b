// One real speed test driven through the Speed Test window, offscreen:
//
//   speedtest_window_bench SERVICE_URL PING_HOST SCREEN_PNG
//
// Clicks the window's button, lets the real monitor, runner and ping prober
// run against SERVICE_URL, and checks that the window ends in the completed
// layout with throughput between 85 and 100 Mbps and both grades shown.
// Prints what the window shows and the CPU cost of the run: the whole
// process, split by thread (the Qt thread runs the window and the monitor,
// the I/O thread and the pool run the transfers), and the ping children.
// Exits 1 when a check fails.
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
#include <QLabel>
#include <QTimer>
#include <chrono>
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        fmt::print(stderr, "usage: speedtest_window_bench SERVICE_URL PING_HOST SCREEN_PNG\n");
        return 2;
    }
    const std::string service = argv[1];
    const std::string host = argv[2];
    const QString screen = QString::fromUtf8(argv[3]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Runtime runtime;
    QtMainActorBinding binding(runtime.mainActor());

    auto http = std::make_shared<CurlHttpClient>();
    auto runner = std::make_shared<CloudflareSpeedTestRunner>(
        http, speedTestDownloadURLFactory(service), speedTestUploadURL(service));
    auto commands = std::make_shared<ShellCommandRunner>(makeAllowedExecutables(),
                                                         makeStandInExecutables(kSystoolPath));
    auto ping = std::make_shared<CommandLinePingProbeRunner>(
        commands, 1, 0.5, [] { return std::optional<std::string>(); });
    SpeedTestMonitor::Settings settings;
    settings.latencyProbeHost = host;
    auto monitor = SpeedTestMonitor::create(
        runner, std::make_shared<PingProbeLatencyProber>(ping),
        [] { return std::chrono::system_clock::now(); }, settings);

    auto view = std::make_unique<SpeedTestWindowView>(monitor, 10.0);
    view->resize(960, 680);
    view->show();
    QApplication::processEvents();

    const int qtThread = static_cast<int>(::gettid());
    const auto threadsBefore = threadTimes();
    const double processBefore = cpuOf(RUSAGE_SELF);
    const double childrenBefore = cpuOf(RUSAGE_CHILDREN);
    const auto started = std::chrono::steady_clock::now();

    auto* button = view->findChild<QAbstractButton*>(QStringLiteral("emptyButton"));
    if (!button || button->text() != QStringLiteral("Run Test")) {
        fmt::print("the empty window shows no \"Run Test\" button\n");
        return 1;
    }
    button->click();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!monitor->isRunning().get())
            QApplication::quit();
    });
    poll.start(100);
    QTimer::singleShot(300'000, &application, &QApplication::quit);
    QApplication::exec();
    // The last publication's refresh.
    QApplication::processEvents();

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
    fmt::print("\nCPU over the {:.1f} s run (seconds; per minute in brackets)\n", wall);
    fmt::print("  whole process          {:.3f} ({:.2f}/min)\n", process, perMinute(process));
    fmt::print("  Qt thread (window, monitor, main actor) {:.3f} ({:.2f}/min)\n", qt,
               perMinute(qt));
    fmt::print("  other threads (runner transfers, pool)  {:.3f} ({:.2f}/min)\n", others,
               perMinute(others));
    for (const auto& [name, spent] : byName)
        fmt::print("    {:<16} {:.3f}\n", name, spent);
    fmt::print("  ping children          {:.3f} ({:.2f}/min)\n", children, perMinute(children));

    const auto downMbps = monitor->downloadMbps().get().value_or(0);
    const auto upMbps = monitor->uploadMbps().get().value_or(0);
    const bool ok = monitor->phase().get() == SpeedTestPhase::completed && badge &&
                    badge->text() == QStringLiteral("Completed") && downMbps >= 85 &&
                    downMbps <= 100 && upMbps >= 85 && upMbps <= 100 &&
                    monitor->downloadBufferbloatGrade().get() &&
                    monitor->uploadBufferbloatGrade().get() &&
                    labelText(*view, "gradeLetter0") != QString(QChar(0x2014)) &&
                    labelText(*view, "gradeLetter1") != QString(QChar(0x2014));
    fmt::print("\n{}\n",
               ok ? "PASS: completed layout, 85-100 Mbps both ways, grades shown" : "FAIL");
    view.reset();
    monitor.reset();
    runtime.shutdown();
    return ok ? 0 : 1;
}
