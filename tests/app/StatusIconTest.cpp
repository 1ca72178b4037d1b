#include "app/StatusIcon.h"

#include "app/QtStatusItem.h"
#include "qt/Palette.h"
#include "tests/app/AppTestFixture.h"

namespace lumra::test {
namespace {

// A point of the badge's disc clear of every glyph (its left side), and one
// near its bottom, which the canvas edge cuts: in icon points, y down.
constexpr QPointF discSide{StatusIconGeometry::badgeX + 0.15 * StatusIconGeometry::badgeSide,
                           StatusIconGeometry::badgeTopFromTop +
                               0.5 * StatusIconGeometry::badgeSide};
constexpr QPointF discBottom{StatusIconGeometry::badgeX + 0.5 * StatusIconGeometry::badgeSide,
                             17.5};

QColor pixelAt(const QImage& image, QPointF point) {
    const double ratio = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(point.x() * ratio),
                            static_cast<int>(point.y() * ratio));
}

void expectColor(const QColor& actual, const QColor& expected, const std::string& what) {
    EXPECT_NEAR(actual.red(), expected.red(), 2) << what;
    EXPECT_NEAR(actual.green(), expected.green(), 2) << what;
    EXPECT_NEAR(actual.blue(), expected.blue(), 2) << what;
    EXPECT_NEAR(actual.alpha(), expected.alpha(), 2) << what;
}

TEST(StatusIconTest, EachStateHasItsBadgeAndItsColour) {
    struct Row {
        HealthState state;
        const char* symbol;
        QColor tint;
    };
    const std::vector<Row> rows{
        {HealthState::good, "checkmark.circle.fill", statusColor(StatusColor::green)},
        {HealthState::warning, "exclamationmark.circle.fill", statusColor(StatusColor::orange)},
        {HealthState::poor, "xmark.circle.fill", statusColor(StatusColor::red)},
        {HealthState::disconnected, "pause.circle.fill", QColor(128, 128, 128)}};
    for (const Row& row : rows) {
        for (bool colourful : {true, false}) {
            const StatusIconStyle style = statusIconStyle(row.state, colourful);
            EXPECT_EQ(style.badgeSymbolName, row.symbol);
            EXPECT_EQ(style.baseSymbolName, "wifi");
            const QImage icon =
                composeStatusIcon(style, 2.0).convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(icon.size(), QSize(36, 36));
            const QColor expected = colourful ? row.tint : statusIconLabelColor();
            const std::string what =
                std::string(rawValue(row.state)) + (colourful ? " colourful" : " plain");
            expectColor(pixelAt(icon, discSide), expected, what);
            expectColor(pixelAt(icon, discBottom), expected, what + " at the cut edge");
        }
    }
    EXPECT_EQ(statusAccessibilityText(HealthState::good), "Lumra status good");
    EXPECT_EQ(statusAccessibilityText(HealthState::disconnected), "Lumra status disconnected");
}

TEST(StatusIconTest, TheBadgeSitsInTheLowerRightCornerPastTheEdges) {
    EXPECT_DOUBLE_EQ(StatusIconGeometry::badgeX, 8.72);
    EXPECT_DOUBLE_EQ(StatusIconGeometry::badgeY, -0.8);
    EXPECT_DOUBLE_EQ(StatusIconGeometry::badgeSide, 10.08);
    EXPECT_DOUBLE_EQ(StatusIconGeometry::badgeSide / StatusIconGeometry::canvasSide, 0.56);
    EXPECT_DOUBLE_EQ(StatusIconGeometry::badgeX + StatusIconGeometry::badgeSide, 18.8);
    // Above and left of the badge box no badge colour is painted.
    const QImage icon = composeStatusIcon(statusIconStyle(HealthState::poor, true), 1.0)
                            .convertToFormat(QImage::Format_ARGB32);
    const QColor red = statusColor(StatusColor::red);
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            if (x >= 9 && y >= 9)
                continue;
            EXPECT_NE(icon.pixelColor(x, y).rgb(), red.rgb()) << x << "," << y;
        }
    }
    EXPECT_TRUE(composeStatusIcon(StatusIconStyle{"no.such.badge", std::nullopt, "wifi"}).isNull());
}

TEST(StatusIconTest, TheTrayReusesOneIconPerPicture) {
    QtStatusItem item;
    const QImage good = composeStatusIcon(statusIconStyle(HealthState::good, true), 2.0);
    const QImage poor = composeStatusIcon(statusIconStyle(HealthState::poor, true), 2.0);
    item.setImage(good);
    const qint64 goodIcon = item.icon().cacheKey();
    item.setImage(poor);
    const qint64 poorIcon = item.icon().cacheKey();
    EXPECT_NE(poorIcon, goodIcon);
    // The same picture composed again (a new QImage) is the icon it had.
    for (int flip = 0; flip < 4; ++flip) {
        item.setImage(composeStatusIcon(statusIconStyle(HealthState::good, true), 2.0));
        EXPECT_EQ(item.icon().cacheKey(), goodIcon);
        item.setImage(poor.copy());
        EXPECT_EQ(item.icon().cacheKey(), poorIcon);
    }
}

TEST_F(AppTest, TheTrayIconFollowsTheHealthStateAndTheEnabledFlagOnly) {
    defaults->setBool("colorfulIcon", true);
    defaults->setBool("monitoringEnabled", false);
    delegate->startUp();
    loop.runUntilIdle();
    FakeStatusItem& item = statusItem();
    EXPECT_EQ(item.toolTip, QStringLiteral("Lumra"));
    EXPECT_EQ(item.accessibilityText, QStringLiteral("Lumra status disconnected"));
    EXPECT_EQ(item.image, composeStatusIcon(statusIconStyle(HealthState::disconnected, true), 2.0));

    // Opening the popover publishes neither: no redraw.
    const int before = item.imageSets;
    menuBar().showPopover();
    menuBar().closePopover();
    loop.runUntilIdle();
    EXPECT_EQ(item.imageSets, before);

    // The health state's emission carries the new state: drawn at once.
    auto& health =
        const_cast<Published<HealthState>&>(delegate->healthAggregationController()->healthState());
    health.set(HealthState::good);
    EXPECT_EQ(item.imageSets, before + 1);
    EXPECT_EQ(item.accessibilityText, QStringLiteral("Lumra status good"));
    health.set(HealthState::poor);
    EXPECT_EQ(item.imageSets, before + 2);
    EXPECT_EQ(item.image, composeStatusIcon(statusIconStyle(HealthState::poor, true), 2.0));
    // Every poll publishes the state again: an unchanged picture is not
    // handed to the tray again.
    for (int poll = 0; poll < 3; ++poll)
        health.set(HealthState::poor);
    EXPECT_EQ(item.imageSets, before + 2);

    // Pausing monitoring publishes the flag and, through the health
    // aggregator, the disconnected state: the pause badge.
    delegate->lifecycleController()->setMonitoringEnabled(true);
    loop.runUntilIdle();
    delegate->lifecycleController()->setMonitoringEnabled(false);
    loop.runUntilIdle();
    EXPECT_EQ(item.accessibilityText, QStringLiteral("Lumra status disconnected"));
    EXPECT_EQ(item.image, composeStatusIcon(statusIconStyle(HealthState::disconnected, true), 2.0));
}

} // namespace
} // namespace lumra::test
