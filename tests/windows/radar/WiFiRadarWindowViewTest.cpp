#include "RadarWindowFixture.h"
#include "qt/CapsuleBadge.h"
#include "windows/radar/RadarCanvasView.h"
#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::radarInterfaceReading;

const WiFiScannedNetwork kCafe{"Cafe", "02:00:00:00:00:01", -67, 11,
                               WiFiBand::twoPointFourGigahertz};
const WiFiScannedNetwork kHomeOtherBand{"home", "02:00:00:00:00:02", -48, 1,
                                        WiFiBand::twoPointFourGigahertz};
const WiFiScannedNetwork kHomeMesh{" HOME", "02:00:00:00:00:03", -75, 44, WiFiBand::fiveGigahertz};

class WiFiRadarWindowViewTest : public test::RadarWindowTest {
protected:
    std::vector<QString> nearbyTexts(const char* name) const {
        std::vector<QString> texts;
        for (QLabel* found : view->findChildren<QLabel*>(QString::fromUtf8(name)))
            if (found->isVisibleTo(view.get()))
                texts.push_back(found->text());
        return texts;
    }
    bool isRunning() const {
        return view->radarMonitor()->pollingTask().has_value() &&
               view->nearbyController()->scanTask().has_value() && view->sweepTimer() != nullptr;
    }
};

TEST_F(WiFiRadarWindowViewTest, ShowingRunsTheFeedTheScannerAndTheSweepOnlyWhileShown) {
    interface->reading = radarInterfaceReading("Home", -60, -95, 600);
    settle();
    EXPECT_EQ(interface->reads, 0) << "nothing runs before the window is shown";
    EXPECT_EQ(scanner->scans(), 0);
    EXPECT_EQ(view->sweepTimer(), nullptr);

    view->show();
    settle();
    EXPECT_TRUE(isRunning());
    ASSERT_NE(view->sweepTimer(), nullptr);
    EXPECT_TRUE(view->sweepTimer()->isActive());
    EXPECT_GE(view->sweepTimer()->interval(), 33) << "at most 30 frames a second";
    EXPECT_EQ(interface->reads, 1);
    EXPECT_EQ(scanner->scans(), 1);
    advance(1s);
    EXPECT_EQ(interface->reads, 5) << "a read every 0.25 s";
    advance(7s);
    EXPECT_EQ(scanner->scans(), 2) << "a scan every 8 s";
    EXPECT_EQ(interface->reads, 33);

    view->hide();
    settle();
    EXPECT_FALSE(view->radarMonitor()->pollingTask().has_value());
    EXPECT_FALSE(view->nearbyController()->scanTask().has_value());
    EXPECT_FALSE(view->nearbyController()->isScanning().get());
    EXPECT_EQ(view->sweepTimer(), nullptr);
    advance(30s);
    EXPECT_EQ(interface->reads, 33) << "no read after hiding";
    EXPECT_EQ(scanner->scans(), 2) << "no scan after hiding";
    EXPECT_EQ(view->state().networkTitle, "Home") << "the last values stay";

    view->show();
    settle();
    EXPECT_TRUE(isRunning());
    EXPECT_EQ(interface->reads, 34);
    EXPECT_EQ(scanner->scans(), 3);
    advance(8s);
    EXPECT_EQ(interface->reads, 66);
    EXPECT_EQ(scanner->scans(), 4);
}

// Counts the hide events the window system sends (a minimise).
class SpontaneousHides final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && event->spontaneous())
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(WiFiRadarWindowViewTest, MinimisingKeepsTheWorkRunning) {
    view->show();
    settle();
    SpontaneousHides hides;
    view->installEventFilter(&hides);
    view->showMinimized();
    settle();
    ASSERT_EQ(hides.count, 1) << "the minimise reached the window as the window system's hide";
    EXPECT_TRUE(isRunning());
    const int reads = interface->reads;
    advance(1s);
    EXPECT_EQ(interface->reads, reads + 4);
    view->showNormal();
    settle();
    EXPECT_TRUE(isRunning());
}

TEST_F(WiFiRadarWindowViewTest, InsideAToolWindowItFollowsTheWindowsShowHideAndMinimise) {
    QWidget window;
    view->setParent(&window);
    window.resize(1080, 680);
    window.show();
    settle();
    EXPECT_TRUE(isRunning());
    window.showMinimized();
    settle();
    EXPECT_TRUE(isRunning()) << "a minimised tool window keeps its radar";
    window.showNormal();
    settle();
    window.hide();
    settle();
    EXPECT_FALSE(view->radarMonitor()->pollingTask().has_value());
    EXPECT_FALSE(view->nearbyController()->scanTask().has_value());
    EXPECT_EQ(view->sweepTimer(), nullptr);
    window.show();
    settle();
    EXPECT_TRUE(isRunning());
    window.hide();
    view->setParent(nullptr);
}

TEST_F(WiFiRadarWindowViewTest, DestroyingOrQuittingStopsTheWork) {
    view->show();
    settle();
    const std::weak_ptr<WiFiRadarMonitor> feed = view->radarMonitor();
    const auto loopTask = *view->radarMonitor()->pollingTask();
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    EXPECT_FALSE(view->radarMonitor()->pollingTask().has_value());
    EXPECT_EQ(view->sweepTimer(), nullptr);
    view.reset();
    settle();
    EXPECT_TRUE(feed.expired());
    EXPECT_TRUE(loopTask.isFinished());
    const int scans = scanner->scans();
    advance(30s);
    EXPECT_EQ(scanner->scans(), scans);
}

TEST_F(WiFiRadarWindowViewTest, WithoutWiFiTheWindowSaysSoAndScoresZero) {
    view->show();
    settle();
    EXPECT_EQ(text("title"), "Wi-Fi Radar");
    EXPECT_EQ(text("subtitle"),
              "Move through your space to find better coverage. Radar blends live "
              "link quality with nearby network pressure.");
    EXPECT_EQ(text("networkName"), "No Wi-Fi Network");
    EXPECT_FALSE(view->findChild<CapsuleBadge*>("currentTag")->isVisibleTo(view.get()));
    EXPECT_EQ(text("channel"), "Channel unavailable");
    EXPECT_EQ(text("directionHint"), "keep going");
    EXPECT_EQ(view->canvas()->face().scoreText, "0");
    EXPECT_EQ(view->canvas()->face().verdict, "Weak spot: move closer to the router.");
    EXPECT_EQ(view->canvas()->face().symbolName, "exclamationmark.triangle.fill");
    std::vector<QString> cards;
    for (QWidget* card : view->findChildren<QWidget*>(QStringLiteral("metricCard")))
        cards.push_back(card->accessibleName());
    EXPECT_EQ(cards,
              (std::vector<QString>{"Quality 0", "SNR \u2014 dB", "RSSI 0 dBm", "Speed 0 Mbps"}));
    EXPECT_EQ(text("nearbyPlaceholder"), "Scanning nearby networks...");
    EXPECT_TRUE(label("nearbyPlaceholder")->isVisibleTo(view.get()));
}

TEST_F(WiFiRadarWindowViewTest, AConnectedReadingListsTheOtherNetworksWithoutTheCurrentOne) {
    interface->reading = radarInterfaceReading("Home ", -50, -90, 866);
    scanner->answer({kHomeOtherBand, kCafe, kHomeMesh});
    view->show();
    settle();
    EXPECT_EQ(text("networkName"), "Home ");
    EXPECT_TRUE(view->findChild<CapsuleBadge*>("currentTag")->isVisibleTo(view.get()));
    EXPECT_EQ(view->findChild<CapsuleBadge*>("currentTag")->text(), "Current");
    EXPECT_EQ(text("channel"), "Ch 36 . 5 GHz");
    EXPECT_EQ(view->canvas()->face().scoreText, "81");
    EXPECT_EQ(view->canvas()->accessibleName(), "81 Good spot: signal is stable.");
    EXPECT_EQ(view->canvas()->face().symbolName, "checkmark.circle.fill");
    EXPECT_EQ(nearbyTexts("nearbySSID"), (std::vector<QString>{"Cafe"}));
    EXPECT_EQ(nearbyTexts("nearbySignal"), (std::vector<QString>{"-67 dBm"}));
    EXPECT_EQ(nearbyTexts("nearbyChannel"), (std::vector<QString>{"Ch 11 . 2.4 GHz"}));
    EXPECT_FALSE(label("nearbyPlaceholder")->isVisibleTo(view.get()));
    EXPECT_EQ(view->findChild<QWidget*>("nearbyArea")->height(), 106);

    // A channel without band reads Unknown; losing the channel, unavailable.
    interface->reading = radarInterfaceReading("Home", -50, -90, 866, 149, std::nullopt);
    advance(250ms);
    EXPECT_EQ(text("channel"), "Ch 149 . Unknown");
    interface->reading = radarInterfaceReading("Home", -50, -90, 866, std::nullopt, std::nullopt);
    advance(250ms);
    EXPECT_EQ(text("channel"), "Channel unavailable");
}

TEST_F(WiFiRadarWindowViewTest, TheScannersSentenceShowsOnlyWhileNothingIsListed) {
    scanner->answer({kCafe});
    view->show();
    settle();
    EXPECT_EQ(nearbyTexts("nearbySSID"), (std::vector<QString>{"Cafe"}));
    scanner->fail();
    advance(8s);
    EXPECT_EQ(nearbyTexts("nearbySSID"), (std::vector<QString>{"Cafe"}))
        << "the earlier list stays";
    EXPECT_FALSE(label("nearbyPlaceholder")->isVisibleTo(view.get()));

    // Now the only network is the current one: the list is empty.
    interface->reading = radarInterfaceReading("cafe", -60, -95, 600);
    advance(250ms);
    EXPECT_TRUE(nearbyTexts("nearbySSID").empty());
    EXPECT_TRUE(label("nearbyPlaceholder")->isVisibleTo(view.get()));
    EXPECT_EQ(text("nearbyPlaceholder"), "Nearby scan unavailable.");
    EXPECT_EQ(view->findChild<QWidget*>("nearbyArea")->height(), 106);
}

TEST_F(WiFiRadarWindowViewTest, TheListUsesTheWholeHeightOfItsArea) {
    scanner->answer({kCafe,
                     {"Neighbour", "02:00:00:00:00:04", -72, 44, WiFiBand::fiveGigahertz},
                     {"Printer", "02:00:00:00:00:05", -85, 149, WiFiBand::fiveGigahertz}});
    view->show();
    settle();
    ASSERT_EQ(nearbyTexts("nearbySSID").size(), 3u);
    auto* scroll = view->findChild<QScrollArea*>("nearbyScroll");
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->viewport()->height(), 106);
    EXPECT_EQ(scroll->mapTo(view.get(), QPoint(0, 0)),
              view->findChild<QWidget*>("nearbyArea")->mapTo(view.get(), QPoint(0, 0)));
}

TEST_F(WiFiRadarWindowViewTest, RadioNamesArePlainTextNeverMarkup) {
    const std::string hostile = "<b>Free</b><img src=\"file:///etc/passwd\">&amp;";
    interface->reading = radarInterfaceReading(hostile, -60, -95, 600);
    scanner->answer({{"<a href=\"http://127.0.0.1/\">click</a>", "02:00:00:00:00:09", -70, 6,
                      WiFiBand::twoPointFourGigahertz}});
    view->show();
    settle();
    EXPECT_EQ(text("networkName").toStdString(), hostile);
    for (QLabel* found : view->findChildren<QLabel*>())
        EXPECT_EQ(found->textFormat(), Qt::PlainText) << found->objectName().toStdString();
    EXPECT_EQ(nearbyTexts("nearbySSID"),
              (std::vector<QString>{"<a href=\"http://127.0.0.1/\">click</a>"}));
}

TEST_F(WiFiRadarWindowViewTest, TheWiFiMonitorStandsInUntilTheFeedReads) {
    wifiInterface->reading =
        radarInterfaceReading("Office", -70, -92, 300, 6, WiFiBand::twoPointFourGigahertz);
    wifiMonitor->start();
    settle();
    EXPECT_EQ(text("networkName"), "No Wi-Fi Network") << "a closed window does not redraw";
    view->show(); // the feed reads nothing: no Wi-Fi on its interface
    settle();
    EXPECT_EQ(text("networkName"), "Office");
    EXPECT_EQ(text("channel"), "Ch 6 . 2.4 GHz");
    interface->reading = radarInterfaceReading("Home", -50, -90, 866);
    advance(250ms);
    EXPECT_EQ(text("networkName"), "Home");
}

TEST_F(WiFiRadarWindowViewTest, TheSweepStartsStraightUpAndTurnsWithTheClock) {
    view->show();
    settle();
    EXPECT_DOUBLE_EQ(view->canvas()->sweepAngle(), -90);
    loop.advanceBy(1100ms);
    view->advanceSweep();
    EXPECT_NEAR(view->canvas()->sweepAngle(), 90, 1e-6);
    view->hide();
    loop.advanceBy(500ms);
    view->show();
    EXPECT_DOUBLE_EQ(view->canvas()->sweepAngle(), -90) << "reopening restarts the sweep";
}

// The centre symbol, drawn: a check mark's disc covers a point left of the
// middle that the warning triangle leaves dark.
TEST_F(WiFiRadarWindowViewTest, TheDrawnRadarShowsTheCheckMarkFromSixtySixAndTheTriangleBelow) {
    struct Case {
        std::optional<WiFiInterfaceSnapshot> reading;
        bool checkMark;
        QColor colour;
    };
    const Case cases[] = {
        // 100: green check mark
        {radarInterfaceReading("Home", -45, -100, 1200), true,
         QColor::fromRgbF(0.26f, 0.84f, 0.49f)},
        // 47: yellow triangle
        {radarInterfaceReading("Home", -70, -92, 300), false, QColor(255, 214, 10)},
    };
    view->show();
    for (const Case& c : cases) {
        interface->reading = c.reading;
        advance(250ms);
        RadarCanvasView* canvas = view->canvas();
        const QImage image = canvas->grab().toImage();
        const QRectF symbol = canvas->centreSymbolRect();
        const QColor probe = image.pixelColor(
            QPoint(static_cast<int>(symbol.left() + 5), static_cast<int>(symbol.center().y())));
        const QColor inside = image.pixelColor(symbol.center().toPoint() + QPoint(0, 12));
        SCOPED_TRACE(c.checkMark);
        const auto near = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
                   std::abs(a.blue() - b.blue()) < 24;
        };
        EXPECT_EQ(near(probe, c.colour), c.checkMark) << probe.name().toStdString();
        EXPECT_TRUE(near(inside, c.colour)) << inside.name().toStdString();
    }
}

// The wedge trails its leading edge: with the edge straight up, the sector
// just anticlockwise of it is lit, the mirrored one is not.
TEST_F(WiFiRadarWindowViewTest, TheDrawnSweepTrailsItsLeadingEdge) {
    view->show();
    settle();
    RadarCanvasView* canvas = view->canvas();
    const QImage image = canvas->grab().toImage();
    const double radius = radarDiameter(canvas->width(), canvas->height()) / 2;
    const QPointF centre(canvas->width() / 2.0, canvas->height() / 2.0);
    const auto at = [&](double degrees) {
        const double radians = degrees * std::numbers::pi / 180;
        return image.pixelColor(
            (centre + QPointF(std::cos(radians), std::sin(radians)) * radius * 0.8).toPoint());
    };
    const QColor lit = at(-126);
    const QColor dark = at(-54);
    EXPECT_GT(lit.red(), dark.red() + 10)
        << lit.name().toStdString() << " " << dark.name().toStdString();
}

// Sweep frames repaint only where the wedge was and is, and a new face
// waits for the next frame: what is on screen after such frames is what a
// full drawing of the canvas shows, and what a canvas drawn afresh shows.
TEST_F(WiFiRadarWindowViewTest, PartialSweepFramesLeaveWhatAFullDrawingShows) {
    interface->reading = radarInterfaceReading("Home", -45, -100, 1200);
    view->show();
    settle();
    ASSERT_NE(view->sweepTimer(), nullptr);
    view->sweepTimer()->stop();
    RadarCanvasView* canvas = view->canvas();
    const auto onScreen = [&] {
        QCoreApplication::sendPostedEvents();
        return canvas->screen()
            ->grabWindow(view->winId(), canvas->x(), canvas->y(), canvas->width(), canvas->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto differing = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
        return count;
    };
    // A hidden window of the same size: a canvas made on it draws afresh over
    // the same background, and its making leaves the shown window alone.
    WiFiRadarWindowView backdrop(
        Engine{}, PlatformServices{[this] { return interface; }, [this] { return scanner; }, {}});
    backdrop.resize(view->size());
    // Small steps at the top and at the bottom, a step past the wedge's
    // width, and once round.
    const double angles[] = {-85, -80, -10, 40, 85, 90, 200, 268, 270};
    for (const double angle : angles) {
        if (angle == 200) {
            // Another score: number, verdict, symbol and ring colour change.
            interface->reading = radarInterfaceReading("Home", -70, -92, 300);
            advance(250ms);
        }
        canvas->setSweepAngle(angle);
        const QImage shown = onScreen();
        const QImage drawn = canvas->grab().toImage().convertToFormat(QImage::Format_RGB32);
        RadarCanvasView afresh(&backdrop);
        afresh.setGeometry(canvas->geometry());
        afresh.setFace(canvas->face());
        afresh.setSweepAngle(angle);
        const QImage fresh = afresh.grab().toImage().convertToFormat(QImage::Format_RGB32);
        SCOPED_TRACE(angle);
        ASSERT_EQ(shown.size(), drawn.size());
        ASSERT_EQ(shown.size(), fresh.size());
        EXPECT_EQ(differing(shown, drawn), 0);
        EXPECT_EQ(differing(shown, fresh), 0);
    }
}

} // namespace
} // namespace lumra
