// CPU time of one dashboard refresh with full (60-sample) histories: the
// model rebuilt from the monitors, the widgets updated, and the page painted.
// Between two refreshes the engine polls once (not timed), so every refresh
// sees new values. Prints the median and the 90th percentile; then a minute
// of polls as on screen, where only what the repaint manager finds dirty is
// laid out and painted.
#include "qt/RasterThreads.h"
#include "tests/panel/PanelFixture.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <ctime>
#include <fmt/format.h>

namespace {

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Counts the paint events of the widgets under a window and the area the
// window itself repaints.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* window) : m_window(window) {
        QApplication::instance()->installEventFilter(this);
    }
    ~PaintCounter() override { QApplication::instance()->removeEventFilter(this); }
    int widgets = 0;
    double windowArea = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() != m_window)
            return false;
        ++widgets;
        if (widget == m_window) {
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                windowArea += static_cast<double>(rect.width()) * rect.height();
        }
        return false;
    }

private:
    QWidget* m_window;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // As the application does.
    lumra::limitRasterFillThreads();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);

    using namespace lumra;
    test::PanelFixture f;
    f.lifecycle->setBatteryFriendly(false);
    f.run(120); // 0.5 s polls: every history is full
    auto view = f.makeView();
    view->show();
    f.settle();
    const auto sizes =
        fmt::format("wifi {} router {} internet {} dns {}", f.wifi->history().get().size(),
                    f.ping->routerHistory().get().size(), f.ping->internetHistory().get().size(),
                    f.dns->history().get().size());

    QImage canvas(view->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> refresh;
    std::vector<double> refreshAndPaint;
    constexpr int rounds = 1000;
    for (int i = 0; i < rounds; ++i) {
        // New readings each round, so nothing is skipped as unchanged.
        f.pingProbe->answers["192.168.1.1"].latencyMilliseconds = 3.0 + (i % 17) * 0.5;
        f.loop.advanceBy(std::chrono::milliseconds(500));
        const double start = threadCpuMicroseconds();
        view->refresh();
        const double refreshed = threadCpuMicroseconds();
        QPainter painter(&canvas);
        view->render(&painter);
        painter.end();
        const double painted = threadCpuMicroseconds();
        refresh.push_back(refreshed - start);
        refreshAndPaint.push_back(painted - start);
    }
    // One virtual minute with the popover open (0.5 s polls): the view's own
    // CPU for the coalesced redraws the publications cause, painting included.
    double viewMicroseconds = 0;
    int redraws = 0;
    for (int step = 0; step < 120; ++step) {
        f.loop.advanceBy(std::chrono::milliseconds(500));
        const double start = threadCpuMicroseconds();
        lumra::test::processQueuedEvents();
        QPainter painter(&canvas);
        view->render(&painter);
        painter.end();
        viewMicroseconds += threadCpuMicroseconds() - start;
        ++redraws;
    }
    // The same minute as on screen: the view's redraws and what they paint.
    double onScreenMicroseconds = 0;
    int onScreenWidgets = 0;
    double onScreenArea = 0;
    {
        PaintCounter counter(view.get());
        for (int step = 0; step < 120; ++step) {
            f.pingProbe->answers["192.168.1.1"].latencyMilliseconds = 3.0 + (step % 17) * 0.5;
            f.loop.advanceBy(std::chrono::milliseconds(500));
            const double start = threadCpuMicroseconds();
            lumra::test::processQueuedEvents();
            onScreenMicroseconds += threadCpuMicroseconds() - start;
        }
        onScreenWidgets = counter.widgets;
        onScreenArea = counter.windowArea;
    }
    fmt::print("dashboard refresh with full histories ({}), {} rounds\n", sizes, rounds);
    fmt::print("  model + widgets:          median {:.1f} us, p90 {:.1f} us CPU\n",
               percentile(refresh, 0.5), percentile(refresh, 0.9));
    fmt::print("  model + widgets + paint:  median {:.1f} us, p90 {:.1f} us CPU\n",
               percentile(refreshAndPaint, 0.5), percentile(refreshAndPaint, 0.9));
    fmt::print(
        "  popover open for one minute of 0.5 s polls: {} redraws, {:.3f} CPU s of the view\n",
        redraws, viewMicroseconds / 1e6);
    fmt::print(
        "  on screen, one minute of 0.5 s polls: {:.3f} CPU s of the view, {} widget paints, "
        "{:.1f} windows' area repainted\n",
        onScreenMicroseconds / 1e6, onScreenWidgets,
        onScreenArea / (static_cast<double>(view->width()) * view->height()));
    return 0;
}
