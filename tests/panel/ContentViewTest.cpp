// The popover's pages over the real monitors and fake probes: texts,
// visibility, routes and heights, what the controls call, and screenshots.
#include "panel/viewmodel/PanelTexts.h"
#include "panel/widgets/DashboardPage.h"
#include "panel/widgets/InlineMessageRow.h"
#include "panel/widgets/MetricRow.h"
#include "panel/widgets/OverlayCards.h"
#include "panel/widgets/WrappedTextLabel.h"
#include "qt/CrossFade.h"
#include "qt/Dot.h"
#include "qt/FocusRing.h"
#include "qt/KitButton.h"
#include "qt/KitFonts.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/QtText.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "tests/panel/PanelFixture.h"
#include "viewkit/MetricFormat.h"
#include "viewkit/SpringCurve.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::PanelFixture;

const QString kHostile = QStringLiteral("<b>x</b><img src=x>");

QStringList visibleTexts(QWidget* root) {
    QStringList texts;
    for (auto* label : root->findChildren<QLabel*>()) {
        if (label->isVisibleTo(root) && !label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

template <class Page> Page* pageOf(ContentView& view) {
    return dynamic_cast<Page*>(view.currentPage());
}

QAbstractButton* buttonNamed(QWidget* root, const QString& name) {
    for (auto* button : root->findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == name || button->text() == name) {
            return button;
        }
    }
    return nullptr;
}

// The dashboard's last row, Quit, lies whole inside the 650-high popover.
void expectQuitWhole(QWidget* popover, const DashboardPage* page) {
    ASSERT_EQ(popover->height(), 650);
    const QWidget* quit = page->quitButton();
    const QRect onPopover(quit->mapTo(popover, QPoint(0, 0)), quit->size());
    EXPECT_TRUE(quit->isVisibleTo(popover));
    EXPECT_LE(onPopover.bottom(), popover->height() - 1) << "Quit ends at " << onPopover.bottom();
    EXPECT_GE(quit->height(), quit->sizeHint().height());
}

void showAndSettle(PanelFixture& f, ContentView& view) {
    view.show();
    f.settle();
}

TEST(PanelNumbers, LocaleSeparatorsReachTheFormatter) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    EXPECT_EQ(formatMetricValue(12.345, "ms", 1, numberSeparators()), "12,3 ms");
    EXPECT_EQ(formatMetricValue(1234.56, "Mbps", 1, numberSeparators()), "1.234,6 Mbps");
    EXPECT_EQ(formatMetricValue(-2.5, "ms", 0, numberSeparators()), "-2 ms");
    EXPECT_EQ(formatPercentValue(100.0, 0, numberSeparators()), "100%");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral("."));
    const struct {
        std::optional<double> value;
        const char* unit;
        int digits;
        const char* text;
    } cases[] = {
        {12.345, "ms", 1, "12.3 ms"}, {1234.56, "Mbps", 1, "1,234.6 Mbps"},
        {2.5, "ms", 0, "2 ms"},       {0.25, "ms", 1, "0.2 ms"},
        {-7.25, "ms", 1, "-7.2 ms"},  {std::nullopt, "ms", 1, "\u2014"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatMetricValue(c.value, c.unit, c.digits, numberSeparators()), c.text);
    }
    EXPECT_EQ(formatPercentValue(2.0, 0, numberSeparators()), "2%");
    QLocale::setDefault(saved);
}

TEST(PanelSparkline, PixelsFollowTheData) {
    InlineSparklineView view;
    const QColor stroke(48, 209, 88);
    const auto render = [&] {
        QImage image(164, 20, QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        view.draw(painter, QRectF(0, 0, 164, 20));
        return image;
    };
    view.setSeries({}, ChartDomain{0, 80}, stroke);
    QImage empty = render();
    // Baseline only: the bottom row is tinted, the middle stays black.
    EXPECT_GT(qGreen(empty.pixel(80, 19)), 40);
    EXPECT_EQ(empty.pixel(80, 10), qRgb(0, 0, 0));
    EXPECT_EQ(empty.pixel(80, 2), qRgb(0, 0, 0));

    // A flat line at 3/4 height across the whole width for one sample.
    view.setSeries({60}, ChartDomain{0, 80}, stroke);
    QImage flat = render();
    EXPECT_GT(qGreen(flat.pixel(2, 5)), 150);
    EXPECT_GT(qGreen(flat.pixel(161, 5)), 150);
    EXPECT_EQ(flat.pixel(80, 1), qRgb(0, 0, 0));

    // Out-of-range and non-finite samples stay inside the frame.
    view.setSeries({-100, std::nan(""), 500}, ChartDomain{0, 80}, stroke);
    EXPECT_EQ(view.plottedValues(), (std::vector<double>{0, 1}));
    QImage rising = render();
    EXPECT_GT(qGreen(rising.pixel(160, 0)), 100);
    EXPECT_GT(qGreen(rising.pixel(1, 19)), 100);
}

TEST(PanelHeader, ChannelPopoverAtTheInfoButton) {
    WiFiNetworkHeaderRow row;
    WiFiSnapshot snapshot{};
    snapshot.ssid = "Cafe";
    snapshot.channelNumber = 36;
    snapshot.band = WiFiBand::fiveGigahertz;
    row.apply(wifiHeaderModel(snapshot, true));
    row.resize(336, 24);
    row.show();
    EXPECT_TRUE(row.bandChip()->isVisible());
    EXPECT_EQ(row.bandLabel()->text(), "5 GHz");
    EXPECT_EQ(row.infoButton()->accessibleName(), "Show channel details");
    EXPECT_EQ(row.infoButton()->toolTip(), "Channel 36 (5 GHz)");
    EXPECT_FALSE(row.isChannelInfoPopoverPresented());
    row.infoButton()->click();
    ASSERT_TRUE(row.isChannelInfoPopoverPresented());
    QWidget* popover = row.channelPopover();
    EXPECT_TRUE(visibleTexts(popover).contains("Channel 36 (5 GHz)"));
    const QPoint button = row.infoButton()->mapToGlobal(row.infoButton()->rect().center());
    EXPECT_NEAR(popover->geometry().center().x(), button.x(), 2);
    EXPECT_GT(popover->geometry().top(), button.y());
    // A click elsewhere closes it and the state follows.
    popover->hide();
    test::processQueuedEvents();
    EXPECT_FALSE(row.isChannelInfoPopoverPresented());

    row.apply(wifiHeaderModel(std::nullopt, false));
    EXPECT_FALSE(row.bandChip()->isVisible());
    EXPECT_EQ(row.nameLabel()->text(), "Wi-Fi Name Unavailable");
}

TEST(PanelHeader, LeavingThePageWithThePopoverOpen) {
    PanelFixture f;
    f.run(5);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* header = pageOf<DashboardPage>(*view)->wifiHeader();
    header->infoButton()->click();
    ASSERT_TRUE(header->isChannelInfoPopoverPresented());
    EXPECT_EQ(header->channelPopover()->findChild<QLabel*>()->text(), "Channel 36 (5 GHz)");
    buttonNamed(view.get(), "Open Toolbox")->click();
    f.settle();
    EXPECT_EQ(view->activePanel(), PanelRoute::toolbox);
    for (auto* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(widget->isVisible() && widget != view.get()) << "a popover was left open";
    }
}

TEST(PanelRouting, HeightsOnAppearAndOnEveryChange) {
    PanelFixture f;
    auto view = f.makeView();
    EXPECT_TRUE(f.heights.empty());
    showAndSettle(f, *view);
    EXPECT_EQ(f.heights, (std::vector<double>{650}));
    buttonNamed(view.get(), "Open Toolbox")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::toolbox);
    buttonNamed(view.get(), "Connection Monitor")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::connectionMonitor);
    buttonNamed(view.get(), "Back to Toolbox")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::toolbox);
    buttonNamed(view.get(), "Captive Portal")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::captivePortal);
    buttonNamed(view.get(), "Back to Toolbox")->click();
    buttonNamed(view.get(), "Back to Main")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::dashboard);
    buttonNamed(view.get(), "Open Settings")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::settings);
    buttonNamed(view.get(), "Back to Main")->click();
    f.settle();
    EXPECT_EQ(f.heights, (std::vector<double>{650, 650, 430, 650, 430, 650, 650, 560, 650}));
    // The page survives closing; coming on screen again reports it.
    buttonNamed(view.get(), "Open Toolbox")->click();
    view->hide();
    f.heights.clear();
    showAndSettle(f, *view);
    EXPECT_EQ(view->activePanel(), PanelRoute::toolbox);
    EXPECT_EQ(f.heights, (std::vector<double>{650}));
}

TEST(PanelDashboard, PausedMonitoring) {
    PanelFixture f;
    f.settings->setMonitoringEnabled(false);
    f.checker->answer = {true, Url::parse("http://portal.test/login"), std::nullopt,
                         CaptivePortalDetectionReason::redirect, true};
    f.run(1);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->monitoringSwitch()->isChecked());
    EXPECT_EQ(page->monitoringChip()->text(), "Paused");
    ASSERT_EQ(page->messageRows().size(), 1u);
    EXPECT_EQ(page->messageRows()[0]->textLabel()->text(), "Monitoring is paused.");
    EXPECT_EQ(page->messageRows()[0]->accentColor(), statusColor(StatusColor::orange));
    test::saveScreen(view.get(), "panel-dashboard-paused");
    expectQuitWhole(view.get(), page);
}

TEST(PanelDashboard, ConnectedWaitingThenReadings) {
    PanelFixture f;
    f.resolver->duration = 500ms;
    f.lifecycle->start();
    f.loop.runUntilIdle();
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    f.loop.advanceBy(20s);
    f.settle();
    EXPECT_TRUE(page->messageRows().empty());
    EXPECT_EQ(page->monitoringChip()->text(), "Monitoring");
    EXPECT_TRUE(page->monitoringSwitch()->isChecked());
    EXPECT_EQ(page->wifiHeader()->nameLabel()->text(), "Home");
    const QStringList texts = visibleTexts(page);
    for (const char* expected : {"300 Mbps", "45 dB", "-50 dBm", "-95 dBm", "4.2 ms", "18.8 ms",
                                 "2.2 ms", "0%", "12.0 ms"}) {
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
    }
    auto* routerRow = dynamic_cast<MetricTrendRow*>(page->metricRows()[4]);
    ASSERT_NE(routerRow, nullptr);
    EXPECT_EQ(routerRow->titleLabel()->text(), "Router Ping");
    EXPECT_GE(routerRow->sparkline()->plottedValues().size(), 2u);
    EXPECT_EQ(page->healthBadge()->text(), "Good");
    test::saveScreen(view.get(), "panel-dashboard-readings");
    expectQuitWhole(view.get(), page);
}

TEST(PanelDashboard, ConnectedBeforeTheFirstSnapshot) {
    // The engine publishes the connection and its snapshot together; the page
    // still says what it shows when only the connection is known.
    DashboardInput input;
    input.isMonitoringEnabled = true;
    input.isConnected = true;
    input.healthState = HealthState::warning;
    QWidget frame;
    QPalette dark = frame.palette();
    dark.setColor(QPalette::Window, PanelPalette::backgroundStart());
    frame.setPalette(dark);
    frame.setAutoFillBackground(true);
    frame.resize(368, 650);
    auto& page = *new DashboardPage(makeDashboardModel(input), {}, &frame);
    // The page's padding: 14 above, 10 below.
    page.setGeometry(16, 14, 336, 626);
    ASSERT_EQ(page.messageRows().size(), 1u);
    EXPECT_EQ(page.messageRows()[0]->textLabel()->text(),
              "Connected. Waiting for the first Wi-Fi samples...");
    EXPECT_EQ(page.messageRows()[0]->accentColor(), statusColor(StatusColor::secondary));
    for (QWidget* row : page.metricRows()) {
        auto* trend = dynamic_cast<MetricTrendRow*>(row);
        const QString value = trend ? trend->valueLabel()->text()
                                    : dynamic_cast<MetricRow*>(row)->valueLabel()->text();
        EXPECT_EQ(value, QString::fromUtf8("\u2014"));
    }
    EXPECT_EQ(page.healthBadge()->text(), "Warning");
    frame.show();
    test::processQueuedEvents();
    // One line of caption text: padding 8 above and below, the dot 4 below
    // the text's top, so its centre sits on the first line.
    InlineMessageRow* message = page.messageRows()[0];
    const QLabel* text = message->textLabel();
    const QWidget* dot = message->findChild<Dot*>();
    ASSERT_NE(dot, nullptr);
    const int lineHeight = text->fontMetrics().height();
    EXPECT_EQ(message->height(), 8 + lineHeight + 8);
    EXPECT_EQ(text->geometry().top(), 8);
    EXPECT_EQ(dot->geometry().top(), 8 + 4);
    test::saveScreen(&frame, "panel-dashboard-waiting");
    expectQuitWhole(&frame, &page);
}

TEST(PanelDashboard, RowsCarryTheirNamesAndValuesForAssistiveTools) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    auto* dnsRow = dynamic_cast<MetricTrendRow*>(page->metricRows().back());
    ASSERT_NE(dnsRow, nullptr);
    QAccessibleInterface* value = QAccessible::queryAccessibleInterface(dnsRow->valueLabel());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->text(QAccessible::Name), "Lookup");
    EXPECT_EQ(value->text(QAccessible::Description), "12.0 ms");
    QAccessibleInterface* trend = QAccessible::queryAccessibleInterface(dnsRow->sparkline());
    EXPECT_EQ(trend->text(QAccessible::Name), "Lookup trend");
    EXPECT_TRUE(trend->text(QAccessible::Description).endsWith(" samples"));
    EXPECT_NE(trend->text(QAccessible::Description), "0 samples");
    QAccessibleInterface* toolbox =
        QAccessible::queryAccessibleInterface(buttonNamed(view.get(), "Open Toolbox"));
    EXPECT_EQ(toolbox->role(), QAccessible::Button);
}

TEST(PanelDashboard, NoWiFiAndRouterIgnored) {
    PanelFixture f;
    f.interface->reading.reset();
    f.pingProbe->answers.erase("192.168.1.1");
    f.run(30);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    ASSERT_EQ(page->messageRows().size(), 1u);
    EXPECT_EQ(page->messageRows()[0]->textLabel()->text(),
              "No Wi-Fi connection detected. Connect to a network to see diagnostics.");
    EXPECT_EQ(page->wifiHeader()->nameLabel()->text(), "Wi-Fi Name Unavailable");
    EXPECT_FALSE(page->wifiHeader()->bandChip()->isVisible());
    EXPECT_TRUE(f.ping->isRouterIgnored().get());
    auto* routerRow = dynamic_cast<MetricTrendRow*>(page->metricRows()[4]);
    // The value shrinks to 0.8 of its 12 px at most, then is cut; the whole
    // text stays its accessible description.
    QLabel* routerValue = routerRow->valueLabel();
    EXPECT_EQ(routerValue->accessibleDescription(), "ICMP blocked");
    EXPECT_GE(QFontInfo(routerValue->font()).pixelSize(), 9.6 - 0.5);
    EXPECT_LT(QFontInfo(routerValue->font()).pixelSize(), 12);
    const QString shown = routerValue->text();
    EXPECT_TRUE(shown == "ICMP blocked" || (shown.endsWith(QChar(0x2026)) &&
                                            QString("ICMP blocked").startsWith(shown.chopped(1))))
        << shown.toStdString();
    EXPECT_EQ(
        dynamic_cast<MetricTrendRow*>(page->metricRows()[5])->titleLabel()->font().pixelSize(), 12)
        << "titles never shrink";
    EXPECT_EQ(page->healthBadge()->text(), "Disconnected");
    test::saveScreen(view.get(), "panel-dashboard-no-wifi");
    expectQuitWhole(view.get(), page);
}

TEST(PanelDashboard, CaptivePortalBanner) {
    PanelFixture f;
    f.checker->answer = {true, Url::parse("http://portal.test/login"), std::nullopt,
                         CaptivePortalDetectionReason::redirect, true};
    f.run(10);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    ASSERT_EQ(page->messageRows().size(), 1u);
    EXPECT_EQ(page->messageRows()[0]->textLabel()->text(),
              "Captive portal detected. Login may be required at http://portal.test/login.");
    EXPECT_EQ(page->messageRows()[0]->accentColor(), statusColor(StatusColor::red));
    test::saveScreen(view.get(), "panel-dashboard-captive");
    expectQuitWhole(view.get(), page);
    // Monitoring off: the banner goes, the paused row comes.
    page->monitoringSwitch()->click();
    f.settle();
    ASSERT_EQ(page->messageRows().size(), 1u);
    EXPECT_EQ(page->messageRows()[0]->textLabel()->text(), "Monitoring is paused.");
}

TEST(PanelDashboard, MonitoringSwitchWritesTheSettingAndDrivesTheEngine) {
    PanelFixture f;
    f.run(2);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    std::vector<std::string> order;
    auto watch = f.lifecycle->isMonitoringEnabled().subscribe([&](bool enabled) {
        order.push_back(std::string(enabled ? "on " : "off ") +
                        (f.settings->monitoringEnabled() ? "stored-on" : "stored-off"));
    });
    order.clear();
    page->monitoringSwitch()->click();
    f.settle();
    EXPECT_FALSE(f.settings->monitoringEnabled());
    EXPECT_FALSE(f.lifecycle->isMonitoringEnabled().get());
    EXPECT_FALSE(page->monitoringSwitch()->isChecked());
    page->monitoringSwitch()->click();
    f.settle();
    EXPECT_TRUE(f.settings->monitoringEnabled());
    EXPECT_TRUE(f.lifecycle->isMonitoringEnabled().get());
    // The setting is stored before the monitors stop or start.
    EXPECT_EQ(order, (std::vector<std::string>{"off stored-off", "on stored-on"}));
    page->quitButton()->click();
    EXPECT_EQ(f.calls, (std::vector<std::string>{"quit"}));
}

TEST(PanelDashboard, LocationNoticeAndItsButton) {
    PanelFixture f;
    f.run(1);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    EXPECT_EQ(page->locationButton()->text(), "Allow Location Access");
    EXPECT_TRUE(page->locationText()->text().startsWith("Location permission is only needed"));
    test::saveScreen(view.get(), "panel-dashboard-location-undetermined");
    expectQuitWhole(view.get(), pageOf<DashboardPage>(*view));
    page->locationButton()->click();
    EXPECT_EQ(f.authorizer->requests, 1);
    EXPECT_EQ(f.locationOpener->opened, 0);

    f.authorizer->change(LocationPermissionStatus::denied);
    f.settle();
    EXPECT_EQ(page->locationButton()->text(), "Open Settings");
    EXPECT_TRUE(page->locationText()->text().startsWith("Location permission is off"));
    page->locationButton()->click();
    EXPECT_EQ(f.locationOpener->opened, 1);
    EXPECT_EQ(f.authorizer->requests, 1);
    test::saveScreen(view.get(), "panel-dashboard-location-denied");
    expectQuitWhole(view.get(), pageOf<DashboardPage>(*view));

    f.authorizer->change(LocationPermissionStatus::authorized);
    f.settle();
    EXPECT_FALSE(page->locationButton()->isVisibleTo(page));
    EXPECT_TRUE(page->locationText()->text().startsWith("Location permission is enabled"));
    test::saveScreen(view.get(), "panel-dashboard-location-authorized");
    expectQuitWhole(view.get(), pageOf<DashboardPage>(*view));
}

// The controls Tab visits from the page's start, in order, until it comes
// round again.
std::vector<QWidget*> tabOrder(QWidget* root) {
    std::vector<QWidget*> visited;
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : root,
                        Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        if (focused == nullptr || (!visited.empty() && focused == visited.front()))
            break;
        visited.push_back(focused);
    }
    return visited;
}

// Reading order: each control is on a lower line than the one before, or on
// the same line further right.
void expectReadingOrder(QWidget* root, const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i) {
        const QRect a(order[i - 1]->mapTo(root, QPoint()), order[i - 1]->size());
        const QRect b(order[i]->mapTo(root, QPoint()), order[i]->size());
        const bool sameLine = b.top() < a.bottom() && a.top() < b.bottom();
        EXPECT_TRUE(sameLine ? b.left() > a.left() : b.top() >= a.bottom())
            << order[i - 1]->accessibleName().toStdString() << " then "
            << order[i]->accessibleName().toStdString();
    }
}

TEST(PanelKeyboard, TabMovesAVisibleFocusInReadingOrder) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    QApplication::setActiveWindow(view.get());
    view->setFocus();
    auto* page = pageOf<DashboardPage>(*view);
    const std::vector<QWidget*> order = tabOrder(view.get());
    std::vector<std::string> names;
    for (QWidget* w : order)
        names.push_back((w->accessibleName().isEmpty() && qobject_cast<QAbstractButton*>(w)
                             ? qobject_cast<QAbstractButton*>(w)->text()
                             : w->accessibleName())
                            .toStdString());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Open Toolbox", "Open Settings", "Enabled",
                                        "Show channel details", "Allow Location Access", "Quit"}));
    expectReadingOrder(view.get(), order);
    for (QWidget* w : order)
        EXPECT_TRUE(showsFocusRing(w) == (w == QApplication::focusWidget()));
    // Focus on the switch, as after three presses of Tab.
    order.at(2)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(page->monitoringSwitch()->hasFocus());
    test::saveScreen(view.get(), "panel-focus-dashboard");
}

TEST(PanelSprings, ChangesCrossFadeAlongTheirSpringAndThenNothingRuns) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    CrossFade* fade = view->crossFade();
    // Redraws that change neither flag nor state start nothing.
    view->refresh();
    EXPECT_FALSE(fade->isRunning());

    // A page change: the dashboard fades out over the toolbox.
    buttonNamed(view.get(), "Open Toolbox")->click();
    ASSERT_TRUE(fade->isRunning());
    EXPECT_TRUE(fade->isVisible());
    fade->animation().frameAt(0.06);
    EXPECT_NEAR(fade->opacity(), 1.0 - pageChangeSpring.value(0.06), 1e-9);
    EXPECT_GT(fade->opacity(), 0.2);
    EXPECT_LT(fade->opacity(), 0.6);
    test::saveScreen(view.get(), "panel-spring-midflight", test::Motion::asItIs);
    fade->animation().frameAt(pageChangeSpring.settleTime());
    EXPECT_FALSE(fade->isRunning()) << "no frames once settled";
    EXPECT_FALSE(fade->isVisible());

    // Back on the dashboard, pausing monitoring fades along the state spring.
    buttonNamed(view.get(), "Back to Main")->click();
    fade->animation().frameAt(1.0);
    auto* page = pageOf<DashboardPage>(*view);
    page->monitoringSwitch()->click();
    f.settle();
    ASSERT_TRUE(fade->isRunning());
    fade->animation().frameAt(0.1);
    EXPECT_NEAR(fade->opacity(), 1.0 - stateChangeSpring.value(0.1), 1e-9);
    fade->animation().frameAt(stateChangeSpring.settleTime());
    EXPECT_FALSE(fade->isRunning());
}

// Records which widgets under a window paint and which lay themselves out.
class RedrawRecorder final : public QObject {
public:
    explicit RedrawRecorder(QWidget* window) : m_window(window) {
        QApplication::instance()->installEventFilter(this);
    }
    ~RedrawRecorder() override { QApplication::instance()->removeEventFilter(this); }
    std::set<QWidget*> painted;
    int layouts = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != m_window)
            return false;
        if (event->type() == QEvent::Paint)
            painted.insert(widget);
        else if (event->type() == QEvent::LayoutRequest)
            ++layouts;
        return false;
    }

private:
    QWidget* m_window;
};

TEST(PanelDashboard, ARedrawPaintsAndLaysOutOnlyWhatChanged) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);

    // The same readings again: nothing to draw.
    RedrawRecorder unchanged(view.get());
    view->refresh();
    f.settle();
    EXPECT_TRUE(unchanged.painted.empty()) << unchanged.painted.size() << " widgets painted";
    EXPECT_EQ(unchanged.layouts, 0);

    // One new value: its row paints, and what lies under it, nothing else;
    // nothing is laid out.
    auto* routerRow = dynamic_cast<MetricTrendRow*>(page->metricRows()[4]);
    ASSERT_EQ(routerRow->titleLabel()->text(), "Router Ping");
    DashboardModel model = view->dashboardModel();
    model.latencyRows[0].value = "9.5 ms";
    RedrawRecorder oneRow(view.get());
    page->apply(model);
    test::processQueuedEvents();
    EXPECT_TRUE(oneRow.painted.count(routerRow->valueLabel()));
    EXPECT_EQ(oneRow.layouts, 0);
    for (QWidget* widget : oneRow.painted) {
        const bool inRow = widget == routerRow || routerRow->isAncestorOf(widget);
        const bool underRow = widget->isAncestorOf(routerRow);
        EXPECT_TRUE(inRow || underRow)
            << widget->metaObject()->className() << " " << widget->accessibleName().toStdString();
    }

    // A value long enough to shrink sits where a row built with it puts it.
    MetricRowModel longValue = model.latencyRows[0];
    longValue.value = "ICMP blocked";
    routerRow->apply(longValue);
    test::processQueuedEvents();
    MetricTrendRow built(longValue);
    built.resize(routerRow->size());
    built.layout()->activate();
    EXPECT_LT(QFontInfo(routerRow->valueLabel()->font()).pixelSize(), 12);
    EXPECT_EQ(routerRow->valueLabel()->geometry(), built.valueLabel()->geometry());
}

TEST(PanelDashboard, ARotatingValueLaysOutNothingOnceSeenAndShowsWhereAFreshRowDoes) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    auto* domainRow = dynamic_cast<MetricRow*>(page->metricRows()[8]);
    ASSERT_NE(domainRow, nullptr);
    ASSERT_EQ(domainRow->titleLabel()->text(), "Domain");
    DashboardModel model = view->dashboardModel();
    const std::vector<std::string> domains{"apple.com", "wikipedia.org", "a.io", "example.com"};
    const auto showDomain = [&](const std::string& domain) {
        model.dnsRows[0].value = domain;
        page->apply(model);
        test::processQueuedEvents();
    };
    // What a row draws of itself, over nothing.
    const auto drawn = [](QWidget& row) {
        QImage image(row.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        row.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    for (const auto& domain : domains)
        showDomain(domain);

    RedrawRecorder secondRound(view.get());
    for (const auto& domain : domains) {
        showDomain(domain);
        MetricRow built(QStringLiteral("Domain"), QString::fromStdString(domain));
        built.resize(domainRow->size());
        built.layout()->activate();
        EXPECT_EQ(drawn(*domainRow), drawn(built)) << domain;
        EXPECT_EQ(domainRow->valueLabel()->geometry().right(),
                  built.valueLabel()->geometry().right());
    }
    EXPECT_EQ(secondRound.layouts, 0);
    EXPECT_TRUE(secondRound.painted.count(domainRow->valueLabel()));

    // A value longer than any before takes the room it needs, as before.
    showDomain("a-much-longer-name.example.org");
    MetricRow built(QStringLiteral("Domain"), QStringLiteral("a-much-longer-name.example.org"));
    built.resize(domainRow->size());
    built.layout()->activate();
    EXPECT_EQ(drawn(*domainRow), drawn(built));
}

TEST(PanelDashboard, ComingOnScreenShowsWhatChangedOffScreenWithoutAFade) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    ASSERT_TRUE(page->monitoringSwitch()->isChecked());
    view->hide();
    f.settings->setMonitoringEnabled(false);
    f.lifecycle->stopMonitoring();
    f.settle();
    view->show();
    EXPECT_FALSE(page->monitoringSwitch()->isChecked());
    EXPECT_EQ(page->monitoringChip()->text(), "Paused");
    ASSERT_EQ(page->messageRows().size(), 1u);
    EXPECT_EQ(page->messageRows()[0]->textLabel()->text(), "Monitoring is paused.");
    EXPECT_FALSE(view->crossFade()->isRunning()) << "the page just appears";
    f.settle();
    expectQuitWhole(view.get(), page);
    // On screen the same change fades.
    f.settings->setMonitoringEnabled(true);
    f.lifecycle->startMonitoring();
    f.settle();
    EXPECT_TRUE(page->monitoringSwitch()->isChecked());
    EXPECT_TRUE(view->crossFade()->isRunning());
}

TEST(PanelDashboard, AfterEveryChangeThePageFitsAsAFreshOneWould) {
    PanelFixture f;
    f.run(20);
    auto view = f.makeView();
    showAndSettle(f, *view);
    // Rows come and go: the kept page spaces its sections as a page built
    // in that state does.
    const std::function<void()> changes[] = {
        [&] {
            f.checker->answer = {true, Url::parse("http://portal.test/login"), std::nullopt,
                                 CaptivePortalDetectionReason::redirect, true};
            f.loop.advanceBy(60s);
        },
        [&] { f.authorizer->change(LocationPermissionStatus::denied); },
        [&] {
            f.checker->answer = {false, std::nullopt, std::nullopt,
                                 CaptivePortalDetectionReason::none, true};
            f.loop.advanceBy(60s);
        },
        [&] { f.authorizer->change(LocationPermissionStatus::authorized); },
    };
    std::set<int> spacings;
    for (const auto& change : changes) {
        change();
        f.settle();
        auto fresh = f.makeView();
        showAndSettle(f, *fresh);
        const auto* kept = pageOf<DashboardPage>(*view);
        const auto* built = pageOf<DashboardPage>(*fresh);
        ASSERT_EQ(kept->messageRows().size(), built->messageRows().size());
        EXPECT_EQ(kept->layout()->spacing(), built->layout()->spacing());
        EXPECT_EQ(kept->quitButton()->geometry(), built->quitButton()->geometry());
        expectQuitWhole(view.get(), kept);
        spacings.insert(kept->layout()->spacing());
    }
    EXPECT_GT(spacings.size(), 1u) << "the changes should need different spacings";
}

TEST(PanelWrappedText, RememberedHeightsFollowTextFontMarginsAndWidth) {
    // Each step changes one thing the height depends on; a plain wrapping
    // label measures every time.
    WrappedTextLabel remembering;
    QLabel measuring;
    measuring.setTextFormat(Qt::PlainText);
    measuring.setWordWrap(true);
    const QString longText = QStringLiteral(
        "Location permission is enabled so Lumra can read SSID and BSSID locally for "
        "diagnostics. Your location is not used, stored, or sent anywhere.");
    const std::function<void(QLabel&)> steps[] = {
        [&](QLabel& l) { l.setText(QStringLiteral("One short line.")); },
        [&](QLabel& l) { l.setText(longText); },
        [&](QLabel& l) { l.setFont(PanelPalette::systemFont(17, QFont::DemiBold)); },
        [&](QLabel& l) { l.setContentsMargins(0, 6, 0, 6); },
        [&](QLabel& l) { l.setIndent(40); },
        [&](QLabel& l) { l.setText(QStringLiteral("One short line.")); },
    };
    for (const auto& step : steps) {
        step(remembering);
        step(measuring);
        for (int width : {336, 200, 336, 120, 336}) {
            EXPECT_EQ(remembering.heightForWidth(width), measuring.heightForWidth(width))
                << remembering.text().toStdString() << " at " << width;
        }
    }
}

TEST(PanelToolbox, RowsCallbacksAndBack) {
    PanelFixture f;
    auto view = f.makeView(PanelRoute::toolbox);
    showAndSettle(f, *view);
    auto* card = pageOf<ToolboxOverlayCard>(*view);
    ASSERT_NE(card, nullptr);
    ASSERT_EQ(card->rows().size(), 6u);
    const char* titles[] = {"Wi-Fi Radar",        "Channel Scan",   "Speed Test",
                            "Connection Monitor", "Captive Portal", "Diagnostics Export"};
    int previousTop = -1;
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(card->rows()[i]->findChild<QLabel*>(QStringLiteral("toolTitle"))->text(),
                  titles[i]);
        EXPECT_GT(card->rows()[i]->y(), previousTop);
        previousTop = card->rows()[i]->y();
    }
    test::saveScreen(view.get(), "panel-toolbox");
    // The whole card is the hit area: a click near its right edge counts.
    const auto clickAt = [](QWidget* w, QPoint p) {
        QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    };
    const std::pair<std::size_t, const char*> windows[] = {
        {0, "radar"}, {1, "channel"}, {2, "speed"}, {5, "export"}};
    for (const auto& [index, call] : windows) {
        KitButton* row = card->rows()[index];
        clickAt(row, QPoint(row->width() - 3, row->height() / 2));
        EXPECT_EQ(f.calls.back(), call);
        EXPECT_EQ(view->activePanel(), PanelRoute::toolbox);
    }
    EXPECT_EQ(f.calls, (std::vector<std::string>{"radar", "channel", "speed", "export"}));
    buttonNamed(view.get(), "Back to Main")->click();
    EXPECT_EQ(view->activePanel(), PanelRoute::dashboard);
}

TEST(PanelToolbox, LongSubtitleWraps) {
    const std::unique_ptr<KitButton> row(makeToolboxToolRow(
        {ToolboxTool::speedTest, "speedometer", "Speed Test",
         std::string(30, 'w') + " " + std::string(30, 'w') + " " + std::string(30, 'w')},
        {}));
    const std::unique_ptr<KitButton> shortRow(makeToolboxToolRow(toolboxRows()[0], {}));
    EXPECT_GT(row->heightForWidth(336), shortRow->heightForWidth(336));
}

TEST(PanelConnectionMonitor, BeforeAndAfterSamples) {
    PanelFixture f;
    auto view = f.makeView(PanelRoute::connectionMonitor);
    showAndSettle(f, *view);
    auto* card = pageOf<ConnectionMonitorOverlayCard>(*view);
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(card->badge()->isVisibleTo(card));
    for (auto* row : card->rows()) {
        EXPECT_EQ(row->valueLabel()->text(), QString::fromUtf8("\u2014"));
    }
    EXPECT_EQ(card->statusLabel()->text(), "Collecting TCP connection state counts from netstat.");
    test::saveScreen(view.get(), "panel-connection-empty");

    f.counter->answer = {TCPConnectionStateCounts{5, 3, 2}, true};
    f.run(10);
    f.settle();
    QStringList values;
    for (auto* row : card->rows()) {
        values << row->valueLabel()->text();
    }
    EXPECT_EQ(values, (QStringList{"5", "3", "2", "10", "5"}));
    EXPECT_TRUE(card->badge()->isVisibleTo(card));
    EXPECT_TRUE(card->statusLabel()->text().startsWith("Connection pressure is currently "));
    test::saveScreen(view.get(), "panel-connection-samples");

    f.counter->answer = {std::nullopt, false};
    f.loop.advanceBy(10s);
    f.settle();
    EXPECT_EQ(card->statusLabel()->text(), "Connection monitor failed to read TCP states.");
    EXPECT_EQ(card->rows()[0]->valueLabel()->text(), "5");
}

TEST(PanelCaptivePortal, StatesAndMiddleElision) {
    PanelFixture f;
    auto view = f.makeView(PanelRoute::captivePortal);
    showAndSettle(f, *view);
    auto* card = pageOf<CaptivePortalOverlayCard>(*view);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->badge()->text(), "Warning");
    EXPECT_EQ(card->stateRow()->valueLabel()->text(), "Unknown");
    EXPECT_EQ(card->reasonRow()->valueLabel()->text(), "Awaiting probes");
    EXPECT_EQ(card->lastCheckRow()->valueLabel()->text(), QString::fromUtf8("\u2014"));
    EXPECT_EQ(card->statusLabel()->text(), "Running periodic captive portal probes.");
    test::saveScreen(view.get(), "panel-captive-empty");

    const std::string longURL = "http://portal.example.test/" + std::string(200, 'a') + "/end";
    f.checker->answer = {true, Url::parse(longURL), std::nullopt,
                         CaptivePortalDetectionReason::redirect, true};
    f.run(10);
    f.settle();
    EXPECT_EQ(card->badge()->text(), "Poor");
    EXPECT_EQ(card->stateRow()->valueLabel()->text(), "Captive");
    EXPECT_EQ(card->reasonRow()->valueLabel()->text(), "HTTP redirect detected");
    EXPECT_EQ(card->statusLabel()->text(), "Captive portal detected via an HTTP redirect.");
    EXPECT_EQ(card->portalURL(), QString::fromStdString(longURL));
    const QString shown = card->portalURLLabel()->text();
    EXPECT_TRUE(shown.startsWith("http://portal")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("/end")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_FALSE(card->portalURLLabel()->wordWrap());
    EXPECT_NE(card->lastCheckRow()->valueLabel()->text(), QString::fromUtf8("\u2014"));
    test::saveScreen(view.get(), "panel-captive-redirect");
}

TEST(PanelSettings, TabsBatteryAndLaunchAtLogin) {
    PanelFixture f;
    f.run(1);
    auto view = f.makeView(PanelRoute::settings);
    showAndSettle(f, *view);
    auto* card = pageOf<SettingsOverlayCard>(*view);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(f.launchAtLoginControllersMade, 1);
    EXPECT_TRUE(card->generalTab()->isVisibleTo(card));
    EXPECT_FALSE(card->aboutTab()->isVisibleTo(card));
    EXPECT_EQ(card->batteryChip()->text(), "Adaptive");
    EXPECT_TRUE(card->batterySwitch()->isChecked());
    test::saveScreen(view.get(), "panel-settings-general");

    card->batterySwitch()->click();
    f.settle();
    EXPECT_FALSE(f.lifecycle->isBatteryFriendly().get());
    EXPECT_FALSE(f.settings->batteryFriendly());
    EXPECT_EQ(card->batteryChip()->text(), "Always Fast");

    f.loginItem->failure = "The operation couldn't be completed.";
    card->launchSwitch()->click();
    f.settle();
    EXPECT_FALSE(card->launchSwitch()->isChecked());
    EXPECT_TRUE(card->launchErrorLabel()->isVisibleTo(card));
    EXPECT_EQ(card->launchErrorLabel()->text(),
              "Failed to update login item: The operation couldn't be completed.");
    test::saveScreen(view.get(), "panel-settings-login-failed");
    f.loginItem->failure.reset();
    card->launchSwitch()->click();
    f.settle();
    EXPECT_TRUE(card->launchSwitch()->isChecked());
    EXPECT_FALSE(card->launchErrorLabel()->isVisibleTo(card));

    f.loginItem->current = LoginItemStatus::requiresApproval;
    f.activation->activate();
    f.settle();
    EXPECT_TRUE(card->approvalRow()->isVisibleTo(card));
    card->approvalOpenButton()->click();
    EXPECT_EQ(f.urlOpener->opened.size(), 1u);

    // Leaving and coming back builds the page afresh.
    card->tabButton(SettingsTab::about)->click();
    f.settle();
    EXPECT_TRUE(card->aboutTab()->isVisibleTo(card));
    buttonNamed(view.get(), "Back to Main")->click();
    buttonNamed(view.get(), "Open Settings")->click();
    f.settle();
    card = pageOf<SettingsOverlayCard>(*view);
    EXPECT_TRUE(card->generalTab()->isVisibleTo(card));
    EXPECT_EQ(f.launchAtLoginControllersMade, 2);
}

TEST(PanelSettings, UpdateCheckAndCard) {
    PanelFixture f;
    f.http->latency = 2s;
    AvailableUpdate update{"2.1.0",
                           200,
                           "2026-12-10",
                           "https://downloads.example.test/x.tar.gz",
                           "First line\nSecond line\nThird line",
                           std::nullopt};
    f.http->answerWith({200, update.encode()});
    auto view = f.makeView(PanelRoute::settings);
    showAndSettle(f, *view);
    auto* card = pageOf<SettingsOverlayCard>(*view);
    card->tabButton(SettingsTab::about)->click();
    f.settle();
    EXPECT_FALSE(card->updateCard()->isVisibleTo(card));
    EXPECT_EQ(card->checkButton()->text(), "Check for Updates");
    EXPECT_FALSE(card->checkSpinner()->isVisibleTo(card));
    test::saveScreen(view.get(), "panel-settings-about");

    card->checkButton()->click();
    card->checkButton()->click();
    f.settle();
    EXPECT_FALSE(card->checkButton()->isEnabled());
    EXPECT_TRUE(card->checkSpinner()->isVisibleTo(card));
    test::saveScreen(view.get(), "panel-settings-checking");
    f.loop.advanceBy(3s);
    f.settle();
    EXPECT_EQ(f.http->requests.size(), 1u);
    EXPECT_TRUE(card->checkButton()->isEnabled());
    EXPECT_EQ(card->checkButton()->text(), "Check for Updates");
    ASSERT_TRUE(card->updateCard()->isVisibleTo(card));
    EXPECT_EQ(card->updateTitle()->text(), "Update available: 2.1.0");
    EXPECT_TRUE(card->releaseNotesLabel()->isVisibleTo(card));
    EXPECT_FALSE(card->releaseNotesLabel()->text().contains("Third line"));
    test::saveScreen(view.get(), "panel-settings-update");
    card->downloadButton()->click();
    EXPECT_EQ(f.urlOpener->opened,
              (std::vector<std::string>{"https://downloads.example.test/x.tar.gz"}));
}

TEST(PanelSettings, ACheckThatOutlivesItsCardWritesNothing) {
    PanelFixture f;
    f.http->latency = 2s;
    auto view = f.makeView(PanelRoute::settings);
    showAndSettle(f, *view);
    auto* card = pageOf<SettingsOverlayCard>(*view);
    std::weak_ptr<SettingsModel> state = card->state();
    card->tabButton(SettingsTab::about)->click();
    card->checkButton()->click();
    EXPECT_TRUE(card->state()->isCheckingForUpdate());
    buttonNamed(view.get(), "Back to Main")->click();
    f.settle();
    EXPECT_TRUE(state.expired());
    f.loop.advanceBy(3s);
    f.settle();
    buttonNamed(view.get(), "Open Settings")->click();
    card = pageOf<SettingsOverlayCard>(*view);
    EXPECT_FALSE(card->state()->isCheckingForUpdate());
    EXPECT_TRUE(card->checkButton()->isEnabled());
}

TEST(PanelHostileText, ShownLiterallyEverywhere) {
    PanelFixture f;
    f.interface->reading->ssid = kHostile.toStdString();
    f.checker->answer = {true, Url::parse("http://p.test/%3Cb%3E"), std::nullopt,
                         CaptivePortalDetectionReason::redirect, true};
    f.run(10);
    auto view = f.makeView();
    showAndSettle(f, *view);
    auto* page = pageOf<DashboardPage>(*view);
    EXPECT_EQ(page->wifiHeader()->nameLabel()->text(), kHostile);
    EXPECT_EQ(page->wifiHeader()->nameLabel()->textFormat(), Qt::PlainText);
    test::saveScreen(view.get(), "panel-hostile-dashboard");
    expectQuitWhole(view.get(), page);

    ConnectionMonitorCardModel connection =
        makeConnectionMonitorCardModel(std::nullopt, {}, kHostile.toStdString());
    ConnectionMonitorOverlayCard connectionCard(connection, {});
    EXPECT_EQ(connectionCard.statusLabel()->text(), kHostile);
    EXPECT_EQ(connectionCard.statusLabel()->textFormat(), Qt::PlainText);

    CaptivePortalCardModel captive = makeCaptivePortalCardModel(std::nullopt, std::nullopt);
    captive.portalURL = kHostile.toStdString();
    captive.statusText = kHostile.toStdString();
    CaptivePortalOverlayCard captiveCard(captive, {});
    captiveCard.resize(340, 400);
    captiveCard.show();
    EXPECT_EQ(captiveCard.portalURLLabel()->text(), kHostile);
    EXPECT_EQ(captiveCard.statusLabel()->text(), kHostile);
    for (auto* label : captiveCard.findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    test::saveScreen(&captiveCard, "panel-hostile-captive");

    f.http->answerWith({200, AvailableUpdate{kHostile.toStdString(), 300, "2026-12-10",
                                             "https://downloads.example.test/x",
                                             kHostile.toStdString(), std::nullopt}
                                 .encode()});
    buttonNamed(view.get(), "Open Settings")->click();
    auto* settings = pageOf<SettingsOverlayCard>(*view);
    settings->tabButton(SettingsTab::about)->click();
    settings->checkButton()->click();
    f.loop.advanceBy(1s);
    f.settle();
    ASSERT_TRUE(settings->updateCard()->isVisibleTo(settings));
    EXPECT_EQ(settings->updateTitle()->text(), "Update available: " + kHostile);
    EXPECT_EQ(settings->releaseNotesLabel()->text(), kHostile);
    for (auto* label : view->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    test::saveScreen(view.get(), "panel-hostile-settings");
}

} // namespace
} // namespace lumra
