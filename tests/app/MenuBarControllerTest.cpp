#include "app/ToolWindow.h"
#include "tests/app/AppTestFixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace lumra::test {
namespace {

class PopoverTest : public AppTest {
protected:
    PopoverTest() {
        delegate->startUp();
        loop.runUntilIdle();
    }
    double wifiInterval() { return delegate->wifiMonitor()->pollInterval(); }
};

TEST_F(PopoverTest, HeightsAreClampedAndSmallChangesIgnored) {
    MenuBarController& controller = menuBar();
    EXPECT_EQ(controller.popover().contentHeight(), 650);
    controller.updatePopoverHeight(100);
    EXPECT_EQ(controller.popover().contentHeight(), 320);
    controller.updatePopoverHeight(900);
    EXPECT_EQ(controller.popover().contentHeight(), 700);
    controller.updatePopoverHeight(500);
    EXPECT_EQ(controller.popover().size(), QSize(400, 500));
    controller.updatePopoverHeight(500.3);
    EXPECT_EQ(controller.popover().contentHeight(), 500);
    controller.updatePopoverHeight(500.6);
    EXPECT_EQ(controller.popover().contentHeight(), 501);
}

TEST_F(PopoverTest, ShowingSpeedsPollingUpAndClosingSlowsItDown) {
    ASSERT_DOUBLE_EQ(wifiInterval(), 4.0);
    const auto runsBefore = fakes.runners[1]->runs;
    menuBar().showPopover();
    EXPECT_TRUE(menuBar().isPopoverShown());
    EXPECT_TRUE(delegate->lifecycleController()->isPopoverPresented().get());
    EXPECT_DOUBLE_EQ(wifiInterval(), 0.5);
    EXPECT_TRUE(menuBar().hasGlobalClickMonitor());
    EXPECT_TRUE(menuBar().hasLocalClickMonitor());
    loop.runUntilIdle();
    EXPECT_GT(fakes.runners[1]->runs, runsBefore); // the refresh polled at once

    // Placed under the item, centred on it.
    const QRect frame = menuBar().popover().geometry();
    EXPECT_EQ(frame.width(), 400);
    EXPECT_GE(frame.top(), statusItem().itemGeometry.bottom());

    menuBar().closePopover();
    EXPECT_FALSE(delegate->lifecycleController()->isPopoverPresented().get());
    EXPECT_DOUBLE_EQ(wifiInterval(), 4.0);
    EXPECT_FALSE(menuBar().hasGlobalClickMonitor());
    EXPECT_FALSE(menuBar().hasLocalClickMonitor());
    // Twice in a row: monitors again, none left behind.
    menuBar().showPopover();
    menuBar().closePopover();
    EXPECT_FALSE(menuBar().hasGlobalClickMonitor());
    EXPECT_FALSE(menuBar().hasLocalClickMonitor());
}

TEST_F(PopoverTest, ShowingRefreshesTheLocationStatus) {
    fakes.authorizer->status = LocationPermissionStatus::denied;
    menuBar().showPopover();
    loop.runUntilIdle();
    EXPECT_EQ(delegate->locationPermissionController()->status().get(),
              LocationPermissionStatus::denied);
}

TEST_F(PopoverTest, WithoutTheItemsPlaceItOpensAtTheClickInsideTheScreen) {
    statusItem().itemGeometry = QRect();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    menuBar().showPopover(QPoint(screen.center().x(), screen.top() + 10));
    const QRect frame = menuBar().popover().geometry();
    EXPECT_NEAR(frame.center().x(), screen.center().x(), 1);
    EXPECT_TRUE(screen.contains(frame.topLeft()));
    menuBar().closePopover();
    // Near the right edge it is moved back onto the screen.
    menuBar().showPopover(QPoint(screen.right() - 2, screen.top() + 10));
    EXPECT_LE(menuBar().popover().geometry().right(), screen.right());
}

TEST_F(PopoverTest, DeactivationAndPressesInOurOtherWindowsCloseItPressesInsideDoNot) {
    menuBar().showPopover();
    QTest::mousePress(menuBar().popover().content(), Qt::LeftButton);
    EXPECT_TRUE(menuBar().isPopoverShown());

    QWidget other;
    other.resize(100, 100);
    other.show();
    QTest::mousePress(&other, Qt::LeftButton);
    EXPECT_FALSE(menuBar().isPopoverShown());

    // A press on the item's own button is left to the item's action.
    QWidget button;
    button.resize(22, 22);
    button.show();
    statusItem().itemWidget = &button;
    menuBar().showPopover();
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_TRUE(menuBar().isPopoverShown());
    statusItem().actions.onTrigger(QPoint());
    EXPECT_FALSE(menuBar().isPopoverShown());

    menuBar().showPopover();
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(menuBar().isPopoverShown());
    // The same click that deactivated us arrives at the tray icon next: it
    // does not reopen the popover. A later click does.
    statusItem().actions.onTrigger(QPoint());
    EXPECT_FALSE(menuBar().isPopoverShown());
    statusItem().actions.onTrigger(QPoint());
    EXPECT_TRUE(menuBar().isPopoverShown());
    statusItem().actions.onTrigger(QPoint());
    EXPECT_FALSE(menuBar().isPopoverShown());
}

TEST_F(PopoverTest, CtrlCommaOpensSettingsFromThePopoverAndTheToolWindows) {
    auto pressCtrlComma = [](QWidget* window) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
    };
    menuBar().showPopover();
    pressCtrlComma(&menuBar().popover());
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->isVisible());
    delegate->settingsWindow()->close();

    menuBar().openChannelScanWindow();
    pressCtrlComma(menuBar().channelScanWindow());
    EXPECT_TRUE(delegate->settingsWindow()->isVisible());
    // The tray menu's entry opens the same window.
    QWidget* settings = delegate->settingsWindow();
    settings->close();
    statusItem().actions.onOpenSettings();
    EXPECT_EQ(delegate->settingsWindow(), settings);
    EXPECT_TRUE(settings->isVisible());
}

TEST_F(PopoverTest, EscapeClosesIt) {
    menuBar().showPopover();
    QTest::keyClick(&menuBar().popover(), Qt::Key_Escape);
    EXPECT_FALSE(menuBar().isPopoverShown());
}

TEST_F(PopoverTest, ASecondInstallMakesNoSecondItemAndTearDownOnlyRemovesIt) {
    menuBar().installStatusItem();
    EXPECT_EQ(fakes.statusItems.size(), 1u);
    std::vector<bool> presented;
    auto watch = delegate->lifecycleController()->isPopoverPresented().subscribe(
        [&](const bool& value) { presented.push_back(value); });
    fakes.log->clear();
    menuBar().tearDown();
    EXPECT_EQ(*fakes.log, std::vector<std::string>{"status item removed"});
    EXPECT_EQ(presented, std::vector<bool>{false}); // only the replay
    EXPECT_EQ(menuBar().statusItem(), nullptr);
    EXPECT_EQ(delegate->creationLog().back(), "MenuBarController");
}

struct WindowRow {
    const char* title;
    void (MenuBarController::*open)();
    ToolWindow* (MenuBarController::*window)() const;
    QSize content;
    QSize minimum;
    bool fixed;
    const char* frameName;
};

const std::vector<WindowRow>& windowRows() {
    static const std::vector<WindowRow> rows{
        {"Wi-Fi Radar",
         &MenuBarController::openWiFiRadarWindow,
         &MenuBarController::wiFiRadarWindow,
         {1080, 680},
         {1080, 680},
         true,
         "lumra.wifiRadar.windowFrame"},
        {"Speed Test",
         &MenuBarController::openSpeedTestWindow,
         &MenuBarController::speedTestWindow,
         {980, 680},
         {860, 580},
         false,
         "lumra.speedTest.windowFrame"},
        {"Channel Scan",
         &MenuBarController::openChannelScanWindow,
         &MenuBarController::channelScanWindow,
         {960, 680},
         {860, 580},
         false,
         "lumra.channelScan.windowFrame"},
        {"Diagnostics Export",
         &MenuBarController::openDiagnosticsExportWindow,
         &MenuBarController::diagnosticsExportWindow,
         {1020, 700},
         {860, 580},
         false,
         "lumra.diagnosticsExport.windowFrame"},
    };
    return rows;
}

TEST_F(PopoverTest, ToolWindowsHaveTheirChromeAreBuiltOnceAndCloseThePopover) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const WindowRow& row : windowRows()) {
        MenuBarController& controller = menuBar();
        controller.showPopover();
        (controller.*row.open)();
        EXPECT_FALSE(controller.isPopoverShown()) << row.title;
        ToolWindow* window = (controller.*row.window)();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QString::fromLatin1(row.title));
        EXPECT_EQ(window->size(), row.content) << row.title;
        EXPECT_EQ(window->minimumSize(), row.minimum) << row.title;
        if (row.fixed)
            EXPECT_EQ(window->maximumSize(), row.content) << row.title;
        else
            EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)) << row.title;
        EXPECT_EQ(window->geometry().center(), screen.center()) << row.title;
        EXPECT_EQ(window->spec().frameName, row.frameName);

        QWidget* view = window->view();
        window->close();
        EXPECT_FALSE(window->isVisible());
        (controller.*row.open)();
        EXPECT_EQ((controller.*row.window)(), window) << row.title;
        EXPECT_EQ(window->view(), view);
        EXPECT_TRUE(window->isVisible());
        // The frame was saved when it closed.
        EXPECT_TRUE(defaults->stringForKey(row.frameName).has_value()) << row.title;
    }
}

TEST_F(PopoverTest, AMovedWindowReopensWhereItWasAfterARestart) {
    menuBar().openSpeedTestWindow();
    menuBar().speedTestWindow()->setGeometry(30, 50, 860, 600);
    menuBar().speedTestWindow()->close();
    build();
    delegate->startUp();
    menuBar().openSpeedTestWindow();
    EXPECT_EQ(menuBar().speedTestWindow()->geometry(), QRect(30, 50, 860, 600));
}

TEST_F(PopoverTest, AStoredFrameOnNoScreenIsCentred) {
    defaults->setString("lumra.channelScan.windowFrame", "5000 5000 960 680");
    menuBar().openChannelScanWindow();
    EXPECT_EQ(menuBar().channelScanWindow()->geometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
}

TEST(ToolWindowFrameTest, FramesParseOnlyFromFourNumbersWithASize) {
    EXPECT_EQ(parseWindowFrame("10 20 300 400"), QRect(10, 20, 300, 400));
    EXPECT_EQ(parseWindowFrame("-10 -20 300 400"), QRect(-10, -20, 300, 400));
    EXPECT_EQ(parseWindowFrame("0 0 32767 32767"), QRect(0, 0, 32767, 32767));
    for (const char* text :
         {"", "10 20 300", "10 20 300 400 5", "10 20 0 400", "a b c d", "10  20 300 400",
          "2147483647 2147483647 32767 32767", "0 0 2147483647 2147483647", "-2147483648 0 10 10"})
        EXPECT_FALSE(parseWindowFrame(text).has_value()) << text;
    EXPECT_EQ(windowFrameText(QRect(1, 2, 3, 4)), "1 2 3 4");
}

TEST(ToolWindowFrameTest, ARestoredFrameFitsTheScreenWithItsTitleBarOnIt) {
    const ToolWindowSpec resizable{
        QStringLiteral("Resizable"), {960, 680}, {860, 580}, std::nullopt, "resizable"};
    const ToolWindowSpec fixed{
        QStringLiteral("Fixed"), {1080, 680}, {1080, 680}, QSize(1080, 680), "fixed"};
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    struct Row {
        const char* what;
        const ToolWindowSpec& spec;
        std::optional<QRect> stored;
        QList<QRect> screens;
        QRect expected;
    };
    const std::vector<Row> rows{
        {"inside a screen: as it was",
         resizable,
         QRect(100, 200, 900, 600),
         {left},
         QRect(100, 200, 900, 600)},
        {"the largest size the screen takes",
         resizable,
         QRect(0, 0, 32767, 32767),
         {left},
         QRect(0, 32, 1920, 1048)},
        {"no smaller than the minimum",
         resizable,
         QRect(10, 40, 100, 100),
         {left},
         QRect(10, 40, 860, 580)},
        {"title bar above the top pulled down",
         resizable,
         QRect(50, -500, 900, 600),
         {left},
         QRect(50, 32, 900, 600)},
        {"hanging off the right moved in",
         resizable,
         QRect(1800, 300, 900, 600),
         {left},
         QRect(1020, 300, 900, 600)},
        {"on the screen holding most of it",
         resizable,
         QRect(1800, 100, 900, 600),
         {left, right},
         QRect(1920, 100, 900, 600)},
        {"fixed size wider than the screen: as large as the screen",
         fixed,
         QRect(0, 0, 1080, 680),
         {QRect(0, 0, 1024, 768)},
         QRect(0, 32, 1024, 680)},
        {"on no screen: centred",
         resizable,
         QRect(5000, 5000, 900, 600),
         {left},
         QRect(480, 200, 960, 680)},
        {"none stored: centred", resizable, std::nullopt, {left}, QRect(480, 200, 960, 680)},
        {"screen smaller than the minimum: the whole screen below the title bar",
         resizable,
         QRect(0, 0, 900, 600),
         {QRect(0, 0, 640, 480)},
         QRect(0, 32, 640, 448)},
        {"none stored, screen smaller than the content: the whole screen",
         resizable,
         std::nullopt,
         {QRect(0, 28, 800, 572)},
         QRect(0, 60, 800, 540)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(restoredWindowFrame(row.stored, row.spec, row.screens, row.screens.front()),
                  row.expected)
            << row.what;
    }
}

} // namespace
} // namespace lumra::test
