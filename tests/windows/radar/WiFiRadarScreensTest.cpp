// PNGs of the Wi-Fi Radar window for review, under the build directory's
// screens/, each checked for what it shows: the texts of its state and the
// score's colour in the picture.
#include "RadarWindowFixture.h"
#include "qt/Palette.h"

#include <QFileInfo>
#include <QImage>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::radarInterfaceReading;

class WiFiRadarScreensTest : public test::RadarWindowTest {
protected:
    void save(const char* name) {
        view->show();
        settle();
        // Some readings for the trend lines, and the sweep a little way round.
        const std::optional<WiFiInterfaceSnapshot> reading = interface->reading;
        for (int i = 0; i < 12; ++i) {
            if (reading) {
                interface->reading->rssiDbm = reading->rssiDbm - (i % 5) * 2;
                interface->reading->linkRateMbps = reading->linkRateMbps.value_or(0) - (i % 3) * 24;
            }
            advance(250ms);
        }
        loop.advanceBy(400ms);
        view->advanceSweep();
        const QString path = lumra::test::saveScreen(view.get(), QString::fromUtf8(name));
        ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        picture = QImage(path);
    }

    // Pixels within a few steps of colour: the score's tint is drawn on
    // the cards' trends, the hint and the radar's centre.
    int pixelsNear(const QColor& colour) const {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                if (std::abs(pixel.red() - colour.red()) <= 6 &&
                    std::abs(pixel.green() - colour.green()) <= 6 &&
                    std::abs(pixel.blue() - colour.blue()) <= 6)
                    ++count;
            }
        return count;
    }

    int nearbyRowsShown() const {
        int rows = 0;
        for (const QLabel* label : view->findChildren<QLabel*>(QStringLiteral("nearbySSID")))
            rows += label->isVisibleTo(view.get()) ? 1 : 0;
        return rows;
    }

    void expectScreen(const char* network, const char* verdict, int rows) {
        EXPECT_EQ(text("networkName"), QString::fromUtf8(network));
        EXPECT_EQ(view->state().verdict, verdict);
        EXPECT_EQ(nearbyRowsShown(), rows);
        EXPECT_EQ(picture.size(), view->size() * picture.devicePixelRatio());
        EXPECT_GT(pixelsNear(statusColor(view->state().tint)), 200);
    }

    QImage picture;
};

TEST_F(WiFiRadarScreensTest, NoWiFi) {
    save("radar-no-wifi");
    expectScreen("No Wi-Fi Network", "Weak spot: move closer to the router.", 0);
    EXPECT_FALSE(view->findChild<QWidget*>(QStringLiteral("currentTag"))->isVisibleTo(view.get()));
    EXPECT_EQ(text("channel"), "Channel unavailable");
}

TEST_F(WiFiRadarScreensTest, ConnectedWithNearbyNetworks) {
    interface->reading = radarInterfaceReading("Home Network", -60, -95, 600);
    scanner->answer({
        {"Home Network", "02:00:00:00:00:02", -48, 1, WiFiBand::twoPointFourGigahertz},
        {"Cafe Guest", "02:00:00:00:00:01", -67, 11, WiFiBand::twoPointFourGigahertz},
        {"Neighbour 5G", "02:00:00:00:00:03", -72, 44, WiFiBand::fiveGigahertz},
        {std::nullopt, std::nullopt, -81, 6, WiFiBand::twoPointFourGigahertz},
        {"Printer-Direct", "02:00:00:00:00:05", -85, 149, WiFiBand::fiveGigahertz},
    });
    save("radar-connected");
    // The current network is left out of the list; the hidden one stays.
    expectScreen("Home Network", "Keep moving: signal can improve.", 4);
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("currentTag"))->isVisibleTo(view.get()));
    EXPECT_EQ(text("channel"), "Ch 36 . 5 GHz");
}

TEST_F(WiFiRadarScreensTest, WeakSpot) {
    interface->reading =
        radarInterfaceReading("Home Network", -80, -95, 72, 6, WiFiBand::twoPointFourGigahertz);
    scanner->fail();
    save("radar-weak-spot");
    expectScreen("Home Network", "Weak spot: move closer to the router.", 0);
    EXPECT_TRUE(label("nearbyPlaceholder")->isVisibleTo(view.get()));
    EXPECT_EQ(text("channel"), "Ch 6 . 2.4 GHz");
}

TEST_F(WiFiRadarScreensTest, GreatSpot) {
    interface->reading =
        radarInterfaceReading("Home Network", -45, -100, 1200, 37, WiFiBand::sixGigahertz);
    scanner->answer(
        {{"Cafe Guest", "02:00:00:00:00:01", -67, 11, WiFiBand::twoPointFourGigahertz}});
    save("radar-great-spot");
    expectScreen("Home Network", "Great spot: strong signal here.", 1);
    EXPECT_EQ(text("channel"), "Ch 37 . 6 GHz");
}

} // namespace
} // namespace lumra
