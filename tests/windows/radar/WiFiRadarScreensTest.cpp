// PNGs of the Wi-Fi Radar window for review, under the build directory's
// screens/.
#include "RadarWindowFixture.h"

#include <QFileInfo>

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
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    }
};

TEST_F(WiFiRadarScreensTest, NoWiFi) {
    save("radar-no-wifi");
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
}

TEST_F(WiFiRadarScreensTest, WeakSpot) {
    interface->reading =
        radarInterfaceReading("Home Network", -80, -95, 72, 6, WiFiBand::twoPointFourGigahertz);
    scanner->fail();
    save("radar-weak-spot");
}

TEST_F(WiFiRadarScreensTest, GreatSpot) {
    interface->reading =
        radarInterfaceReading("Home Network", -45, -100, 1200, 37, WiFiBand::sixGigahertz);
    scanner->answer(
        {{"Cafe Guest", "02:00:00:00:00:01", -67, 11, WiFiBand::twoPointFourGigahertz}});
    save("radar-great-spot");
}

} // namespace
} // namespace lumra
