#include "app/StatusIcon.h"

#include "app/QtStatusItem.h"
#include "qt/Palette.h"
#include "tests/app/AppTestFixture.h"
#include "viewkit/Contrast.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

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

StatusRgba rgba(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue()), static_cast<std::uint8_t>(color.alpha())};
}

// The icon drawn on a tray panel of one colour.
QImage onPanel(const QImage& icon, const QColor& panel) {
    QImage image(icon.size(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(icon.devicePixelRatio());
    image.fill(panel);
    QPainter painter(&image);
    painter.drawImage(QPointF(0, 0), icon);
    return image;
}

TEST(StatusIconTest, EveryBadgeReadsOnALightAndADarkPanel) {
    const QColor light(0xF0, 0xF0, 0xF0), dark(0x20, 0x20, 0x20);
    constexpr double ratio = 4.0;
    const double r = StatusIconGeometry::badgeDiscRadius;
    const QPointF centre(StatusIconGeometry::badgeX + StatusIconGeometry::badgeSide / 2,
                         StatusIconGeometry::badgeTopFromTop + StatusIconGeometry::badgeSide / 2);
    // Left of the disc: the fill just inside its edge, the ring just outside.
    const QPointF fillPoint = centre - QPointF(r - 0.4, 0);
    const QPointF ringPoint = centre - QPointF(r + StatusIconGeometry::outlineWidth / 2, 0);
    QImage sheet(QSize(8 * 80, 2 * 80), QImage::Format_ARGB32);
    sheet.fill(Qt::black);
    QPainter sheetPainter(&sheet);
    std::vector<QImage> badges;
    int column = 0;
    for (bool colourful : {false, true}) {
        for (HealthState state : {HealthState::good, HealthState::warning, HealthState::poor,
                                  HealthState::disconnected}) {
            const QImage icon = composeStatusIcon(statusIconStyle(state, colourful), ratio)
                                    .convertToFormat(QImage::Format_ARGB32);
            badges.push_back(icon);
            int row = 0;
            for (const QColor& panel : {light, dark}) {
                const QImage shown = onPanel(icon, panel);
                const StatusRgba fill = rgba(pixelAt(shown, fillPoint));
                const StatusRgba ring = rgba(pixelAt(shown, ringPoint));
                // The badge's outline: the fill or the ring stands out.
                const double edge =
                    std::max(contrastRatio(fill, rgba(panel)), contrastRatio(ring, rgba(panel)));
                // The glyph on the fill: the darkest against the lightest
                // pixel of the disc's inner part.
                double darkest = 1.0, lightest = 0.0;
                for (int y = 0; y < shown.height(); ++y) {
                    for (int x = 0; x < shown.width(); ++x) {
                        const QPointF p((x + 0.5) / ratio, (y + 0.5) / ratio);
                        if (QLineF(p, centre).length() > 0.75 * r)
                            continue;
                        const double l = relativeLuminance(rgba(shown.pixelColor(x, y)));
                        darkest = std::min(darkest, l);
                        lightest = std::max(lightest, l);
                    }
                }
                const double glyph = (lightest + 0.05) / (darkest + 0.05);
                const std::string what = std::string(rawValue(state)) +
                                         (colourful ? " colourful" : " plain") +
                                         (row == 0 ? " on light" : " on dark");
                EXPECT_GE(edge, 3.0) << what;
                EXPECT_GE(glyph, 3.0) << what;
                std::printf("%-28s edge %5.2f:1  glyph %5.2f:1\n", what.c_str(), edge, glyph);
                sheetPainter.drawImage(QRectF(column * 80, row * 80, 80, 80), shown);
                ++row;
            }
            ++column;
        }
    }
    sheetPainter.end();
    // Each state and the pause badge are pictures of their own.
    for (std::size_t i = 0; i < badges.size(); ++i)
        for (std::size_t j = i + 1; j < badges.size(); ++j)
            EXPECT_NE(badges[i], badges[j]) << i << " " << j;
    QLabel label;
    label.setPixmap(QPixmap::fromImage(sheet));
    label.resize(sheet.size());
    test::saveScreen(&label, "tray-icon-panels");
}

// The Wi-Fi glyph's arcs: centred at (9, 14) in icon points (y down), radii
// 3.5, 7 and 10.5, spanning 44 degrees either side of straight up.
constexpr QPointF glyphCentre{9.0, 14.0};
constexpr double arcRadii[] = {3.5, 7.0, 10.5};

// The strongest contrast against the panel across each arc, along rays from
// the glyph's centre every 10 degrees, where the arc lies clear of the badge
// and its ring; the weakest of those. A glyph reads where some band of its
// stroke (its light core or its dark edge) stands out from the panel.
double weakestGlyphContrast(const QImage& shown, const QColor& panel, std::string& where) {
    const double scale = shown.width() / StatusIconGeometry::canvasSide;
    const QPointF badgeCentre(StatusIconGeometry::badgeX + StatusIconGeometry::badgeSide / 2,
                              StatusIconGeometry::badgeTopFromTop +
                                  StatusIconGeometry::badgeSide / 2);
    const double badgeReach =
        StatusIconGeometry::badgeDiscRadius + StatusIconGeometry::outlineWidth + 0.5;
    double weakest = 21.0;
    for (const double radius : arcRadii) {
        for (int degrees = -40; degrees <= 40; degrees += 10) {
            const double angle = degrees * M_PI / 180.0;
            const QPointF direction(std::sin(angle), -std::cos(angle));
            // Half the gap between neighbouring arcs either side.
            bool clear = true;
            for (double along = -1.75; along <= 1.75; along += 0.25)
                clear = clear &&
                        QLineF(glyphCentre + direction * (radius + along), badgeCentre).length() >
                            badgeReach;
            if (!clear)
                continue;
            double strongest = 1.0;
            for (double along = -1.75; along <= 1.75; along += 0.05) {
                const QPointF point = (glyphCentre + direction * (radius + along)) * scale;
                const int x = static_cast<int>(point.x()), y = static_cast<int>(point.y());
                if (x < 0 || y < 0 || x >= shown.width() || y >= shown.height())
                    continue;
                strongest =
                    std::max(strongest, contrastRatio(rgba(shown.pixelColor(x, y)), rgba(panel)));
            }
            if (strongest < weakest) {
                weakest = strongest;
                where = "arc " + std::to_string(radius) + " at " + std::to_string(degrees) + "°";
            }
        }
    }
    return weakest;
}

// At the size the tray is handed (36 pixels for 18 points) and scaled down,
// as hosts show it, to 22 and 16 pixels: on the light panels of trays
// (#F0F0F0, trayer's #DCDAD5) and a dark one (#202020) the glyph stands out
// at least 3:1 in every state.
TEST(StatusIconTest, TheGlyphReadsOnLightAndDarkPanelsInEveryState) {
    const std::vector<std::pair<QColor, const char*>> panels{{QColor(0xF0, 0xF0, 0xF0), "#F0F0F0"},
                                                             {QColor(0xDC, 0xDA, 0xD5), "#DCDAD5"},
                                                             {QColor(0x20, 0x20, 0x20), "#202020"}};
    constexpr int cell = 88;
    QImage sheet(QSize(8 * cell, 3 * 3 * cell), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter sheetPainter(&sheet);
    int column = 0;
    for (bool colourful : {false, true}) {
        for (HealthState state : {HealthState::good, HealthState::warning, HealthState::poor,
                                  HealthState::disconnected}) {
            const QImage icon = composeStatusIcon(statusIconStyle(state, colourful), 2.0)
                                    .convertToFormat(QImage::Format_ARGB32);
            const std::string picture =
                std::string(rawValue(state)) + (colourful ? " colourful" : " plain");
            std::vector<std::string> figures(panels.size());
            int row = 0;
            for (const int pixels : {36, 22, 16}) {
                QImage sized =
                    icon.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                sized.setDevicePixelRatio(1.0);
                for (std::size_t p = 0; p < panels.size(); ++p) {
                    const auto& [panel, name] = panels[p];
                    const QImage shown = onPanel(sized, panel);
                    std::string where;
                    const double contrast = weakestGlyphContrast(shown, panel, where);
                    EXPECT_GE(contrast, 3.0) << picture << " at " << pixels << " px on " << name
                                             << ", weakest at " << where;
                    char figure[32];
                    std::snprintf(figure, sizeof figure, "  %d px %5.2f:1", pixels, contrast);
                    figures[p] += figure;
                    // Each pixel drawn several times over: the real pixels,
                    // not a smoothed enlargement.
                    const int zoom = pixels == 16 ? 5 : pixels == 22 ? 4 : 2;
                    sheetPainter.drawImage(QPoint(column * cell, row * cell),
                                           shown.scaled(pixels * zoom, pixels * zoom));
                    ++row;
                }
            }
            for (std::size_t p = 0; p < panels.size(); ++p)
                std::printf("%-24s on %s: glyph%s\n", picture.c_str(), panels[p].second,
                            figures[p].c_str());
            ++column;
        }
    }
    sheetPainter.end();
    QLabel label;
    label.setPixmap(QPixmap::fromImage(sheet));
    label.resize(sheet.size());
    test::saveScreen(&label, "tray-icon-glyph-panels");
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
