// The Speed Test window over a real monitor whose runner and latency probe
// are scripted, on the virtual clock: every layout and text from the empty
// window through a run to its end, cancel and failure.
#include "windows/speedtest/SpeedTestWindowView.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "qt/CapsuleBadge.h"
#include "qt/FittingLabel.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/ProgressBar.h"
#include "qt/SymbolLabel.h"
#include "qt/ToolWindowParts.h"
#include "tests/support/ViewFixture.h"
#include "tests/support/WidgetTesting.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QLabel>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::labelsReadingMarkup;
using test::processQueuedEvents;
using test::saveScreen;

// Each chunk takes chunkDuration of virtual time, then reports its share.
class ScriptedRunner final : public SpeedTesting {
public:
    std::chrono::milliseconds chunkDuration = 500ms;
    double downloadMbps = 94.56;
    double uploadMbps = 91.04;
    bool failUpload = false;

    Task<double> download(SpeedTestConfiguration configuration,
                          SpeedTestProgress progress) override {
        return run(configuration.downloadChunks, chunkDuration, downloadMbps, false,
                   std::move(progress));
    }
    Task<double> upload(SpeedTestConfiguration configuration, SpeedTestProgress progress) override {
        return run(configuration.uploadChunks, chunkDuration, uploadMbps, failUpload,
                   std::move(progress));
    }

private:
    static Task<double> run(std::int64_t chunks, std::chrono::milliseconds duration, double mbps,
                            bool fail, SpeedTestProgress progress) {
        for (std::int64_t chunk = 1; chunk <= chunks; ++chunk) {
            co_await sleepFor(duration);
            if (fail)
                throw std::runtime_error("connection reset");
            co_await progress(static_cast<double>(chunk) / static_cast<double>(chunks));
        }
        co_return mbps;
    }
};

// 18 ms at rest, then whatever `loaded` says.
class ScriptedProbe final : public SpeedTestLatencyProbing {
public:
    int calls = 0;
    std::optional<double> idle = 18.0;
    std::optional<double> loaded = 45.0;
    Task<std::optional<double>> measureLatency(std::string, double) override {
        ++calls;
        co_await sleepFor(10ms);
        co_return calls <= 5 ? idle : loaded;
    }
};

class SpeedTestWindowViewTest : public test::VirtualClockViewTest {
protected:
    void SetUp() override {
        monitor = SpeedTestMonitor::create(
            runner, probe, [this] { return testTime; }, SpeedTestMonitor::Settings{});
        view = std::make_unique<SpeedTestWindowView>(Engine{.speedTestMonitor = monitor}, 10.0);
        view->resize(960, 680);
        view->show();
        processQueuedEvents();
    }
    void TearDown() override {
        view.reset();
        monitor.reset();
        loop.runUntilIdle();
    }

    // Runs the clock in small steps until the monitor shows what is wanted.
    void advanceUntil(const std::function<bool()>& done) {
        for (int step = 0; step < 2000 && !done(); ++step)
            advance(50ms);
        processQueuedEvents();
        ASSERT_TRUE(done());
    }
    template <class T> T* child(const char* name) const {
        return test::namedChild<T>(view.get(), name);
    }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(view.get()); }
    QString textOf(const char* name) const { return child<QLabel>(name)->text(); }
    QString tileValue(const char* tile) const {
        return child<QWidget>(tile)->findChild<QLabel*>(QStringLiteral("value"))->text();
    }
    QString headerTitle() const { return child<QAbstractButton>("headerButton")->text(); }
    QColor badgeColor() const { return child<CapsuleBadge>("phaseBadge")->style().textColor; }

    std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
    std::shared_ptr<ScriptedProbe> probe = std::make_shared<ScriptedProbe>();
    const std::chrono::system_clock::time_point testTime{1'800'000'000s};
    std::shared_ptr<SpeedTestMonitor> monitor;
    std::unique_ptr<SpeedTestWindowView> view;
    const QString dash = QString(QChar(0x2014));
};

TEST_F(SpeedTestWindowViewTest, EveryLayoutOfOneTestStartedFromTheWindow) {
    // Empty: no header button, no footer, "Run Test" in the centre.
    EXPECT_FALSE(shown("headerButton"));
    EXPECT_FALSE(shown("lastTested"));
    EXPECT_FALSE(shown("phaseBadge"));
    EXPECT_TRUE(shown("emptyBlock"));
    EXPECT_FALSE(shown("resultsBlock"));
    EXPECT_EQ(child<QAbstractButton>("emptyButton")->text(), "Run Test");
    saveScreen(view.get(), "speedtest-empty");
    EXPECT_TRUE(
        test::saveScreenWithFocus(view.get(), child<QWidget>("emptyButton"), "speedtest-focus"));

    child<QAbstractButton>("emptyButton")->click();
    processQueuedEvents();
    EXPECT_TRUE(monitor->isRunning().get());
    EXPECT_TRUE(shown("resultsBlock"));
    EXPECT_EQ(headerTitle(), "Cancel");
    EXPECT_TRUE(shown("statusBlock"));
    EXPECT_EQ(textOf("statusText"), "Capturing baseline latency...");
    EXPECT_EQ(textOf("percentText"), "0%");
    EXPECT_EQ(tileValue("downloadTile"), dash);
    EXPECT_EQ(tileValue("uploadTile"), dash);
    EXPECT_EQ(textOf("latency0"), dash);
    EXPECT_EQ(textOf("gradeLetter0"), dash);
    EXPECT_EQ(textOf("gradeRatio1"), "ratio unavailable");
    EXPECT_EQ(textOf("insight0"), "Download lag under load: collecting sample...");
    EXPECT_EQ(textOf("lastTested"), "Last tested at " + dash);
    EXPECT_FALSE(shown("phaseBadge"));
    EXPECT_EQ(child<QWidget>("progress")->width(), 460);
    saveScreen(view.get(), "speedtest-baseline");

    advanceUntil([&] { return monitor->progress().get() >= 0.2; });
    EXPECT_EQ(textOf("statusText"), "Running download phase...");
    EXPECT_EQ(textOf("latency0"), "18 ms");
    EXPECT_EQ(textOf("percentText"), QString::fromStdString(view->currentModel().percentText));
    saveScreen(view.get(), "speedtest-download");

    advanceUntil([&] {
        return monitor->phase().get() == SpeedTestPhase::upload && monitor->progress().get() >= 0.7;
    });
    EXPECT_EQ(textOf("statusText"), "Running upload phase...");
    EXPECT_EQ(tileValue("downloadTile"), "94.6 Mbps");
    EXPECT_EQ(textOf("insight0"),
              "Download lag under load: 18ms -> 45ms (grade B, minimal bufferbloat).");
    EXPECT_EQ(textOf("insight1"), "Upload lag under load: collecting sample...");
    saveScreen(view.get(), "speedtest-upload");

    advanceUntil([&] { return !monitor->isRunning().get(); });
    ASSERT_EQ(monitor->phase().get(), SpeedTestPhase::completed);
    EXPECT_FALSE(shown("statusBlock"));
    EXPECT_TRUE(shown("phaseBadge"));
    EXPECT_EQ(child<QLabel>("phaseBadge")->text(), "Completed");
    EXPECT_EQ(badgeColor(), statusColor(StatusColor::green));
    EXPECT_EQ(headerTitle(), "Retest");
    EXPECT_TRUE(shown("headerButton"));
    EXPECT_TRUE(child<QWidget>("headerButton")->isVisible());
    EXPECT_EQ(tileValue("uploadTile"), "91.0 Mbps");
    EXPECT_EQ(textOf("latency1"), "45 ms");
    EXPECT_EQ(textOf("gradeLetter0"), "B");
    EXPECT_EQ(textOf("gradeRatio0"), "2.50x baseline");
    EXPECT_EQ(textOf("insight1"),
              "Upload lag under load: 18ms -> 45ms (grade B, minimal bufferbloat).");
    const QString time = QLocale().toString(QDateTime::fromSecsSinceEpoch(1'800'000'000).time(),
                                            QLocale::ShortFormat);
    EXPECT_EQ(textOf("lastTested"), "Last tested at " + time + ".");
    EXPECT_TRUE(shown("lastTested"));
    // The footer sits at the bottom right, outside the scrolling content.
    const auto* footer = child<QWidget>("lastTested");
    const QPoint footerCorner =
        footer->mapTo(view.get(), QPoint(footer->width(), footer->height()));
    EXPECT_NEAR(footerCorner.x(), 960 - 20, 2);
    EXPECT_NEAR(footerCorner.y(), 680 - 14, 2);
    saveScreen(view.get(), "speedtest-completed");
    EXPECT_EQ(labelsReadingMarkup(view.get()), QStringList());

    // Retest: the values fall back to dashes and the badge goes at once.
    child<QAbstractButton>("headerButton")->click();
    processQueuedEvents();
    EXPECT_EQ(headerTitle(), "Cancel");
    EXPECT_FALSE(shown("phaseBadge"));
    EXPECT_EQ(tileValue("downloadTile"), dash);
    EXPECT_EQ(textOf("lastTested"), "Last tested at " + dash);
}

TEST_F(SpeedTestWindowViewTest, CancelEndsATestStartedElsewhereAndKeepsItsValues) {
    monitor->start(); // as the diagnostics export does
    advanceUntil([&] { return monitor->phase().get() == SpeedTestPhase::upload; });
    EXPECT_EQ(headerTitle(), "Cancel");
    child<QAbstractButton>("headerButton")->click();
    settle();
    EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::cancelled);
    EXPECT_FALSE(monitor->isRunning().get());
    EXPECT_EQ(child<QLabel>("phaseBadge")->text(), "Cancelled");
    EXPECT_EQ(badgeColor(), statusColor(StatusColor::orange));
    EXPECT_EQ(headerTitle(), "Retest");
    EXPECT_FALSE(shown("statusBlock"));
    EXPECT_EQ(tileValue("downloadTile"), "94.6 Mbps");
    EXPECT_EQ(tileValue("uploadTile"), dash);
    EXPECT_EQ(textOf("lastTested"), "Last tested at " + dash);
    EXPECT_EQ(textOf("insight1"), "Upload lag under load: sample unavailable for this run.");
    saveScreen(view.get(), "speedtest-cancelled");
}

TEST_F(SpeedTestWindowViewTest, AFailureShowsTheRedBadgeAndNoErrorText) {
    runner->failUpload = true;
    probe->idle = std::nullopt; // every baseline probe fails too
    child<QAbstractButton>("emptyButton")->click();
    advanceUntil([&] { return !monitor->isRunning().get(); });
    EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::failed);
    EXPECT_EQ(child<QLabel>("phaseBadge")->text(), "Failed");
    EXPECT_EQ(badgeColor(), statusColor(StatusColor::red));
    EXPECT_EQ(textOf("gradeLetter0"), dash);
    EXPECT_EQ(textOf("gradeRatio0"), "ratio unavailable");
    EXPECT_EQ(textOf("insight0"), "Download lag under load: sample unavailable for this run.");
    for (const auto* label : view->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QStringLiteral("reset")))
            << label->text().toStdString();
    saveScreen(view.get(), "speedtest-failed");
}

TEST_F(SpeedTestWindowViewTest, NumbersFollowTheViewLocale) {
    child<QAbstractButton>("emptyButton")->click();
    advanceUntil([&] { return !monitor->isRunning().get(); });
    view->setLocale(QLocale(QLocale::German, QLocale::Germany));
    processQueuedEvents();
    EXPECT_EQ(tileValue("downloadTile"), "94,6 Mbps");
    EXPECT_EQ(textOf("gradeRatio0"), "2,50x baseline");
}

TEST(FittingLabelTest, ShrinksToThreeQuartersOfItsSizeAndNoFurther) {
    FittingLabel label(QFont(QStringLiteral("DejaVu Sans"), -1), Qt::white, 0.75);
    QFont font = label.font();
    font.setPixelSize(36);
    label.setFont(font);
    label.setText(QStringLiteral("1,234.6 Mbps"));
    const int natural = QFontMetrics(font).horizontalAdvance(label.text());

    label.resize(natural + 10, 50);
    EXPECT_EQ(label.drawnPixelSize(), 36);
    label.resize(natural * 9 / 10, 50);
    EXPECT_LT(label.drawnPixelSize(), 36);
    EXPECT_GE(label.drawnPixelSize(), 27);
    label.resize(natural / 3, 50);
    EXPECT_EQ(label.drawnPixelSize(), 27);
    EXPECT_EQ(label.minimumSizeHint().width(), 0);
}

} // namespace
} // namespace lumra
