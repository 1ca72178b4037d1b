// The application's memory over a new user's first session: the composition
// root as the program builds it (offscreen, no tray), its HTTP session
// sending the speed test to SERVICE_URL instead of the public service. ROUNDS
// speed tests through the Speed Test window, then every other window opened
// and closed once. Prints the resident set after the first test, after the
// last, after the windows, and the peak. run.sh starts it inside the shaped
// link of bench/speedtest.
//   app_memory_bench SERVICE_URL [ROUNDS]   (default 20)
#include "app/AppDelegate.h"
#include "app/SystemAppPlatform.h"
#include "concurrency/Runtime.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "qt/QtMainActorBinding.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <malloc.h>
#include <string>

namespace lumra {
namespace {

// Sends what was meant for the public speed-test service to the bench's.
class RedirectingHttpClient final : public HttpClient {
public:
    RedirectingHttpClient(std::shared_ptr<HttpClient> inner, std::string service)
        : m_inner(std::move(inner)), m_service(std::move(service)) {}

    Task<HttpResponse> send(HttpRequest request) override {
        const std::string& text = request.url.absoluteString();
        if (text.rfind(defaultSpeedTestServiceAddress, 0) == 0) {
            if (auto url =
                    Url::parse(m_service + text.substr(defaultSpeedTestServiceAddress.size())))
                request.url = *url;
        }
        return m_inner->send(std::move(request));
    }

private:
    std::shared_ptr<HttpClient> m_inner;
    std::string m_service;
};

// Kibibytes of a /proc/self/status field.
long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return 0;
}

double mebibytes(long kib) {
    return static_cast<double>(kib) / 1024;
}

// Where the resident set is: the allocator's blocks in use, anonymous pages
// (heap, stacks, buffers) and pages of mapped files (libraries, fonts).
void printBreakdown(const std::string& when) {
    const struct mallinfo2 heap = mallinfo2();
    fmt::print("  {:<32} RSS {:6.1f} MiB (anonymous {:5.1f}, files {:5.1f}), heap in use {:5.1f}\n",
               when, mebibytes(statusKiB("VmRSS")), mebibytes(statusKiB("RssAnon")),
               mebibytes(statusKiB("RssFile")),
               static_cast<double>(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0));
    std::fflush(stdout);
}

// Runs the event loop until done() holds or the time is up.
bool runUntil(const std::function<bool()>& done, int milliseconds) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void settle(int milliseconds) {
    runUntil([] { return false; }, milliseconds);
}

QWidget* windowTitled(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == title)
            return widget;
    }
    return nullptr;
}

} // namespace
} // namespace lumra

int main(int argc, char** argv) {
    using namespace lumra;
    if (argc < 2) {
        fmt::print(stderr, "usage: app_memory_bench SERVICE_URL [ROUNDS]\n");
        return 2;
    }
    const std::string service = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Runtime runtime;
    QtMainActorBinding binding(runtime.mainActor());
    int status = 0;
    {
        AppPlatform platform = makeSystemAppPlatform([] {});
        platform.statusBar = nullptr;
        platform.httpSession =
            std::make_shared<RedirectingHttpClient>(std::make_shared<CurlHttpClient>(), service);
        auto delegate = AppDelegate::create(std::move(platform));
        auto menu = delegate->menuBarController();
        auto monitor = delegate->speedTestMonitor();

        menu->openSpeedTestWindow();
        settle(500);
        QWidget* window = windowTitled(QStringLiteral("Speed Test"));
        long afterFirst = 0;
        for (int round = 1; round <= rounds && window; ++round) {
            auto* button = window->findChild<QAbstractButton*>(
                round == 1 ? QStringLiteral("emptyButton") : QStringLiteral("headerButton"));
            if (!button || !button->isVisible()) {
                fmt::print("round {}: no button to start the test\n", round);
                status = 1;
                break;
            }
            button->click();
            runUntil([&] { return monitor->isRunning().get(); }, 5'000);
            const bool ended = runUntil([&] { return !monitor->isRunning().get(); }, 300'000);
            settle(300);
            const long rss = statusKiB("VmRSS");
            if (round == 1) {
                afterFirst = rss;
                printBreakdown("after the first test");
            }
            fmt::print("test {:2}: {:6.1f} / {:6.1f} Mbps, phase {}{}, RSS {:.1f} MiB\n", round,
                       monitor->downloadMbps().get().value_or(0),
                       monitor->uploadMbps().get().value_or(0), rawValue(monitor->phase().get()),
                       ended ? "" : " (still running)", mebibytes(rss));
            std::fflush(stdout);
        }
        const long afterTests = statusKiB("VmRSS");
        printBreakdown("after the tests");
        if (window)
            window->close();

        // Every other window once, as a new user would look around.
        struct Opening {
            const char* window;
            std::function<void()> open;
            int settleMilliseconds;
        };
        const Opening openings[] = {
            {"Wi-Fi Radar", [&] { menu->openWiFiRadarWindow(); }, 2'000},
            {"Channel Scan", [&] { menu->openChannelScanWindow(); }, 2'000},
            {"Diagnostics Export", [&] { menu->openDiagnosticsExportWindow(); }, 2'000},
            {"Settings", [&] { delegate->openSettings(); }, 1'000},
        };
        for (const Opening& opening : openings) {
            opening.open();
            settle(opening.settleMilliseconds);
            printBreakdown(fmt::format("{} opened", opening.window));
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible())
                widget->close();
        }
        settle(2'000);
        printBreakdown("every window closed");
        const long afterWindows = statusKiB("VmRSS");

        fmt::print("RSS after the first test:            {:.1f} MiB\n", mebibytes(afterFirst));
        fmt::print("RSS after test {}:                   {:.1f} MiB ({:+.1f})\n", rounds,
                   mebibytes(afterTests), mebibytes(afterTests - afterFirst));
        fmt::print(
            "RSS after every window opened once:  {:.1f} MiB ({:+.1f} over the first test)\n",
            mebibytes(afterWindows), mebibytes(afterWindows - afterFirst));
        fmt::print("peak RSS:                            {:.1f} MiB\n",
                   mebibytes(statusKiB("VmHWM")));
        delegate->cancelOnDemandWork();
        runtime.shutdown();
    }
    return status;
}
