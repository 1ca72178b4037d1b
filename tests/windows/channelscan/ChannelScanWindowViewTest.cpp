// The Channel Scan window over a real monitor whose scanner is scripted, on
// the virtual clock: texts, visibility and layout of each state, what the
// button calls, and the bar pixels.
#include "windows/channelscan/ChannelScanWindowView.h"

#include "concurrency/RunLoop.h"
#include "qt/FittingLabel.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/ProgressBar.h"
#include "qt/SymbolLabel.h"
#include "qt/ToolWindowParts.h"
#include "tests/support/ViewFixture.h"
#include "tests/support/WidgetTesting.h"
#include "windows/channelscan/CongestionBar.h"

#include <QAbstractButton>
#include <QLabel>
#include <chrono>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::labelsReadingMarkup;
using test::processQueuedEvents;
using test::saveScreen;

constexpr auto ghz24 = WiFiBand::twoPointFourGigahertz;

// Every scan takes a second of virtual time and returns the same networks.
class ScriptedScanner final : public WiFiNetworkScanning {
public:
    std::vector<WiFiScannedNetwork> networks;
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        co_await sleepFor(1s);
        co_return networks;
    }
};

WiFiScannedNetwork network(const char* name, int last, std::int64_t rssi, std::int64_t channel) {
    return {name, "02:00:00:00:00:0" + std::to_string(last), rssi, channel, ghz24};
}

class ChannelScanWindowViewTest : public test::VirtualClockViewTest {
protected:
    void SetUp() override {
        scanner->networks = {network("one", 1, -45, 1), network("six", 6, -50, 6),
                             network("six-b", 7, -70, 6), network("eleven", 9, -80, 11)};
        monitor = ChannelScanMonitor::create(
            ChannelScanConfiguration{3, 0.35}, scanner,
            [this]() -> std::optional<WiFiSnapshot> { return snapshot; },
            std::make_shared<TaskSleeper>(), [this] { return loop.clock().wallNow(); });
        view = std::make_unique<ChannelScanWindowView>(Engine{.channelScanMonitor = monitor}, 10.0);
        view->resize(960, 680);
        view->show();
        settle();
    }
    void TearDown() override {
        view.reset();
        monitor.reset();
        loop.runUntilIdle();
    }

    template <class T> T* child(const char* name) const {
        return test::namedChild<T>(view.get(), name);
    }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(view.get()); }
    // A label with exactly this text that the user can see.
    bool showsText(const QString& text) const {
        for (const auto* label : view->findChildren<QLabel*>())
            if (label->text() == text && label->isVisibleTo(view.get()))
                return true;
        return false;
    }
    bool showsTextContaining(const QString& part) const {
        for (const auto* label : view->findChildren<QLabel*>())
            if (label->text().contains(part) && label->isVisibleTo(view.get()))
                return true;
        return false;
    }
    QString headerTitle() const { return child<QAbstractButton>("headerButton")->text(); }

    std::shared_ptr<ScriptedScanner> scanner = std::make_shared<ScriptedScanner>();
    std::optional<WiFiSnapshot> snapshot = WiFiSnapshot{
        {}, "wlan0", "six", "02:00:00:00:00:06", -50, -92, 42, 54, 6, ghz24, std::nullopt, false};
    std::shared_ptr<ChannelScanMonitor> monitor;
    std::unique_ptr<ChannelScanWindowView> view;
};

TEST_F(ChannelScanWindowViewTest, EveryStateFromTheFirstScanToARescanAndItsCancel) {
    // Empty and idle: no header button; the centre offers "Scan Now".
    EXPECT_FALSE(shown("headerButton"));
    EXPECT_TRUE(shown("emptyBlock"));
    EXPECT_FALSE(shown("resultBlock"));
    EXPECT_EQ(child<QAbstractButton>("emptyButton")->text(), "Scan Now");
    EXPECT_TRUE(shown("emptyButton"));
    EXPECT_FALSE(shown("emptyProgress"));
    EXPECT_TRUE(showsText("No scan results yet"));
    EXPECT_TRUE(showsText("Run a scan to compare current channel quality against nearby options "
                          "in the same band."));
    EXPECT_TRUE(showsText("Analyze nearby channel congestion and get a same-band recommendation."));
    saveScreen(view.get(), "channelscan-empty-idle");
    EXPECT_TRUE(
        test::saveScreenWithFocus(view.get(), child<QWidget>("emptyButton"), "channelscan-focus"));

    // The centre button starts the scan: "Cancel" in the header, the bar instead of the button.
    child<QAbstractButton>("emptyButton")->click();
    settle();
    EXPECT_TRUE(monitor->isScanning().get());
    EXPECT_TRUE(shown("headerButton"));
    EXPECT_EQ(headerTitle(), "Cancel");
    EXPECT_FALSE(shown("emptyButton"));
    ASSERT_TRUE(shown("emptyProgress"));
    EXPECT_EQ(child<QWidget>("emptyProgress")->width(), 320);
    EXPECT_EQ(child<ProgressBar>("emptyProgress")->fraction(), 0.0);
    advance(1s);
    EXPECT_EQ(monitor->completedPasses().get(), 1);
    EXPECT_DOUBLE_EQ(child<ProgressBar>("emptyProgress")->fraction(), 1.0 / 3.0);
    saveScreen(view.get(), "channelscan-empty-scanning");

    advance(5s);
    ASSERT_TRUE(monitor->latestResult().get());
    EXPECT_FALSE(monitor->isScanning().get());
    const auto model = view->currentModel();
    EXPECT_EQ(model.layout, ChannelScanLayout::resultIdle);
    EXPECT_EQ(headerTitle(), "Scan Again");
    EXPECT_FALSE(shown("emptyBlock"));
    EXPECT_TRUE(shown("resultBlock"));
    EXPECT_FALSE(shown("resultProgress"));
    EXPECT_EQ(child<QLabel>("networksSeenValue")->text(),
              QString::number(monitor->latestResult().get()->scannedNetworkCount));
    EXPECT_EQ(child<QLabel>("passesValue")->text(), "3");
    EXPECT_TRUE(showsText("Ch 6 (2.4 GHz)"));
    EXPECT_TRUE(showsText(QString::fromStdString(*model.currentCard.scoreText)));
    EXPECT_TRUE(showsText(QString::fromStdString(*model.recommendedCard.channelText)));
    EXPECT_EQ(child<QLabel>("sentence")->text(), QString::fromStdString(model.sentence));
    EXPECT_FALSE(shown("noChannels"));
    // One row per listed channel, in the listed order, current first.
    ASSERT_FALSE(model.rows.empty());
    EXPECT_EQ(model.rows.front().channelNumber, 6);
    // Rows with a Current or Recommended tag are as high as the untagged ones.
    const int untaggedHeight =
        child<QWidget>(("channelRow" + std::to_string(model.rows.back().channelNumber)).c_str())
            ->height();
    for (const auto& row : model.rows) {
        auto* rowWidget =
            child<QWidget>(("channelRow" + std::to_string(row.channelNumber)).c_str());
        ASSERT_NE(rowWidget, nullptr);
        EXPECT_TRUE(rowWidget->isVisibleTo(view.get()));
        EXPECT_EQ(rowWidget->height(), untaggedHeight) << row.channelText;
    }
    EXPECT_TRUE(showsText("Current"));
    EXPECT_TRUE(showsText("Recommended"));
    saveScreen(view.get(), "channelscan-result-idle");
    EXPECT_EQ(labelsReadingMarkup(view.get()), QStringList());

    // A rescan keeps the old result under the progress bar.
    child<QAbstractButton>("headerButton")->click();
    settle();
    EXPECT_EQ(headerTitle(), "Cancel");
    ASSERT_TRUE(shown("resultProgress"));
    EXPECT_TRUE(shown("congestionPanel"));
    const auto* bar = child<QWidget>("resultProgress");
    const auto* panel = child<QWidget>("congestionPanel");
    EXPECT_LT(bar->mapTo(view.get(), QPoint(0, 0)).y(), panel->mapTo(view.get(), QPoint(0, 0)).y());
    EXPECT_GT(bar->width(), 800);
    EXPECT_EQ(child<QLabel>("sentence")->text(), QString::fromStdString(model.sentence));
    advance(1s);
    saveScreen(view.get(), "channelscan-result-scanning");

    // "Cancel" ends it; the previous result stays and no error text shows.
    child<QAbstractButton>("headerButton")->click();
    advance(2s);
    EXPECT_FALSE(monitor->isScanning().get());
    EXPECT_EQ(monitor->lastErrorMessage().get(), "Channel scan cancelled.");
    EXPECT_EQ(headerTitle(), "Scan Again");
    EXPECT_TRUE(shown("resultBlock"));
    EXPECT_FALSE(shown("resultProgress"));
    EXPECT_FALSE(showsTextContaining("cancelled"));
}

TEST_F(ChannelScanWindowViewTest, CancelEndsAScanStartedElsewhere) {
    monitor->startScan(); // as the diagnostics export does
    settle();
    EXPECT_EQ(headerTitle(), "Cancel");
    EXPECT_TRUE(shown("emptyProgress"));
    child<QAbstractButton>("headerButton")->click();
    advance(3s);
    EXPECT_EQ(monitor->lastErrorMessage().get(), "Channel scan cancelled.");
    EXPECT_FALSE(monitor->latestResult().get());
    EXPECT_FALSE(shown("headerButton"));
    EXPECT_TRUE(shown("emptyButton"));
    EXPECT_EQ(child<QAbstractButton>("emptyButton")->text(), "Scan Now");
    EXPECT_FALSE(showsTextContaining("cancelled"));
}

TEST_F(ChannelScanWindowViewTest, NoChannelsAndNoSelections) {
    scanner->networks.clear();
    snapshot.reset();
    monitor->startScan();
    advance(6s);
    ASSERT_TRUE(monitor->latestResult().get());
    EXPECT_TRUE(shown("noChannels"));
    EXPECT_TRUE(showsText("No channels available for the active band."));
    EXPECT_TRUE(showsText("Unavailable"));
    EXPECT_EQ(child<QLabel>("sentence")->text(),
              "Run a scan to compare current and recommended channel strength.");
    EXPECT_EQ(child<QLabel>("networksSeenValue")->text(), "0");
    saveScreen(view.get(), "channelscan-no-channels");
}

TEST_F(ChannelScanWindowViewTest, OneNetworkOnTheCurrentChannel) {
    scanner->networks = {network("six", 6, -50, 6)};
    monitor->startScan();
    advance(6s);
    const auto model = view->currentModel();
    ASSERT_TRUE(model.currentCard.countText);
    EXPECT_EQ(*model.currentCard.countText, "1 nearby network");
    EXPECT_TRUE(showsText("1 nearby network"));
    EXPECT_TRUE(showsText("1 network"));
}

TEST_F(ChannelScanWindowViewTest, ScoresFollowTheViewLocale) {
    monitor->startScan();
    advance(6s);
    view->setLocale(QLocale(QLocale::German, QLocale::Germany));
    processQueuedEvents();
    const auto model = view->currentModel();
    ASSERT_TRUE(model.currentCard.scoreText);
    EXPECT_NE(model.currentCard.scoreText->find(','), std::string::npos);
    EXPECT_TRUE(showsText(QString::fromStdString(*model.currentCard.scoreText)));
}

// The bar's colour where it is drawn, and the track beyond it.
TEST(CongestionBarTest, ColoursAtTheBoundariesAndTheTwoPointMinimum) {
    struct Case {
        double normalized;
        StatusColor color;
        int insideX;
        int outsideX;
    };
    const Case cases[] = {
        {0.0, StatusColor::green, 1, 10},    {0.3399, StatusColor::green, 60, 80},
        {0.34, StatusColor::orange, 60, 80}, {0.6699, StatusColor::orange, 120, 150},
        {0.67, StatusColor::red, 120, 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.normalized);
        QWidget background;
        background.setStyleSheet(QStringLiteral("background: black;"));
        CongestionBar bar(congestionBarFraction(c.normalized), congestionBarTint(c.normalized),
                          &background);
        bar.setGeometry(0, 0, 200, 10);
        background.resize(200, 10);
        const QImage image = background.grab().toImage();
        const QColor expected = statusColor(c.color);
        const QColor inside = image.pixelColor(c.insideX, 5);
        // 0.82 of the colour over the 0.07 white track on black.
        EXPECT_NEAR(inside.red(), expected.red() * 0.82 + 255 * 0.07 * 0.18, 6);
        EXPECT_NEAR(inside.green(), expected.green() * 0.82 + 255 * 0.07 * 0.18, 6);
        EXPECT_NEAR(inside.blue(), expected.blue() * 0.82 + 255 * 0.07 * 0.18, 6);
        const QColor outside = image.pixelColor(c.outsideX, 5);
        EXPECT_NEAR(outside.red(), 255 * 0.07, 3);
        EXPECT_NEAR(outside.green(), 255 * 0.07, 3);
    }
}

} // namespace
} // namespace lumra
