// The popover and every window on an 800 x 600 screen (the offscreen
// platform configured so): each is limited to the screen, the popover keeps
// clear of the panel holding its icon, the content scrolls with a visible
// bar, and every control comes wholly into view when Tab reaches it and at
// some scroll position. Writes the small-screen PNGs.
#include "app/ToolWindow.h"
#include "panel/viewmodel/PanelRoute.h"
#include "panel/widgets/ContentView.h"
#include "tests/app/AppTestFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <set>

namespace lumra::test {
namespace {

// Where trayer puts its icon on a top panel 28 pixels high, and on a bottom one.
const QRect topPanelItem(777, 1, 22, 26);
const QRect bottomPanelItem(777, 573, 22, 26);
// 1024 x 600 at 150 %, in logical pixels, beside the first screen.
const QRect scaledScreen(800, 0, 683, 400);

// The part of widget that its ancestors up to the window leave in view, in
// the window's coordinates.
QRect visiblePart(const QWidget* widget) {
    const QWidget* window = widget->window();
    QRect visible(widget->mapTo(window, QPoint(0, 0)), widget->size());
    for (const QWidget* ancestor = widget->parentWidget();
         ancestor != nullptr && ancestor != window; ancestor = ancestor->parentWidget())
        visible &= QRect(ancestor->mapTo(window, QPoint(0, 0)), ancestor->size());
    return visible & window->rect();
}

// Whether widget shows as much of itself as the scroll views it lies in
// can show at once: all of it, unless it is wider or taller than they are.
bool inView(const QWidget* widget) {
    QSize most = widget->size();
    for (const QWidget* ancestor = widget->parentWidget(); ancestor != nullptr;
         ancestor = ancestor->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(ancestor->parentWidget()) != nullptr ||
            ancestor->isWindow())
            most = most.boundedTo(ancestor->size());
    }
    return visiblePart(widget).size() == most;
}

std::string nameOf(const QWidget* widget) {
    QString name = widget->accessibleName();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget); name.isEmpty() && button)
        name = button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget); name.isEmpty() && label)
        name = label->text();
    return (QString::fromLatin1(widget->metaObject()->className()) + " '" + name + "'")
        .toStdString();
}

// What Tab stops at: shown, enabled controls that take the keyboard focus.
std::vector<QWidget*> tabStops(QWidget* window) {
    std::vector<QWidget*> stops;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isVisibleTo(window) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) != 0)
            stops.push_back(widget);
    }
    return stops;
}

// Tabs through window: every stop is reached, and in view once it has the
// focus.
void expectTabReachesEveryControlInView(QWidget* window) {
    QApplication::setActiveWindow(window);
    const std::vector<QWidget*> stops = tabStops(window);
    std::set<QWidget*> reached;
    for (std::size_t press = 0; press < stops.size() * 2 + 2; ++press) {
        QWidget* target =
            QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
        QTest::keyClick(target, Qt::Key_Tab);
        processQueuedEvents();
        QWidget* focused = QApplication::focusWidget();
        if (focused == nullptr || focused->window() != window)
            continue;
        reached.insert(focused);
        EXPECT_TRUE(inView(focused)) << nameOf(focused) << " focused out of view";
    }
    for (QWidget* stop : stops)
        EXPECT_TRUE(reached.count(stop)) << "Tab never reached " << nameOf(stop);
}

// The controls a person reads or presses: buttons and labels with text.
std::vector<QWidget*> controls(QWidget* window) {
    std::vector<QWidget*> found;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || widget->size().isEmpty())
            continue;
        auto* button = qobject_cast<QAbstractButton*>(widget);
        auto* label = qobject_cast<QLabel*>(widget);
        if (button != nullptr || (label != nullptr && !label->text().isEmpty()))
            found.push_back(widget);
    }
    return found;
}

// Every control is in view at some position of scroll's bars.
void expectScrollingShowsEveryControl(QScrollArea* scroll) {
    QWidget* window = scroll->window();
    std::set<QWidget*> shown;
    QScrollBar* across = scroll->horizontalScrollBar();
    QScrollBar* down = scroll->verticalScrollBar();
    const auto positions = [](const QScrollBar* bar) {
        std::vector<int> values;
        const int step = std::max(1, std::min(bar->pageStep() / 2, 16));
        for (int value = bar->minimum(); value < bar->maximum(); value += step)
            values.push_back(value);
        values.push_back(bar->maximum());
        return values;
    };
    for (const int x : positions(across)) {
        for (const int y : positions(down)) {
            across->setValue(x);
            down->setValue(y);
            for (QWidget* control : controls(window)) {
                if (inView(control))
                    shown.insert(control);
            }
        }
    }
    across->setValue(0);
    down->setValue(0);
    for (QWidget* control : controls(window))
        EXPECT_TRUE(shown.count(control)) << nameOf(control) << " never in view";
}

class SmallScreenTest : public AppTest {
protected:
    SmallScreenTest() {
        delegate->startUp();
        loop.runUntilIdle();
    }

    static QRect screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QScrollArea* popoverScroll() { return menuBar().contentView()->findChild<QScrollArea*>(); }
};

TEST_F(SmallScreenTest, TheOffscreenScreensAreSmall) {
    ASSERT_EQ(screen(), QRect(0, 0, 800, 600)) << "run with tests/app/offscreen/small.json";
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    ASSERT_EQ(QGuiApplication::screens()[1]->availableGeometry(), scaledScreen);
}

TEST_F(SmallScreenTest, ThePopoverFitsBelowATopPanelAndShowsEveryControl) {
    statusItem().itemGeometry = topPanelItem;
    menuBar().showPopover();
    processQueuedEvents();
    PopoverWindow& popover = menuBar().popover();
    const QRect frame = popover.geometry();
    EXPECT_EQ(frame, QRect(400, 31, 400, 569)) << "below the panel, down to the screen's edge";
    EXPECT_EQ(popover.contentHeight(), 650);
    QScrollArea* scroll = popoverScroll();
    EXPECT_EQ(scroll->verticalScrollBar()->isVisible(),
              scroll->widget()->height() > scroll->viewport()->height());
    saveScreen(&popover, QStringLiteral("small-screen-popover"));
    expectScrollingShowsEveryControl(scroll);
    expectTabReachesEveryControlInView(&popover);
}

TEST_F(SmallScreenTest, OnAScaledScreenThePopoverScrollsToEveryControl) {
    // 1024 x 600 at 150 %: the trayer icon in logical pixels.
    statusItem().itemGeometry = QRect(scaledScreen.x() + 664, 1, 15, 17);
    menuBar().showPopover();
    processQueuedEvents();
    PopoverWindow& popover = menuBar().popover();
    EXPECT_EQ(popover.geometry(), QRect(scaledScreen.x() + 283, 22, 400, 378));
    QScrollArea* scroll = popoverScroll();
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    saveScreen(&popover, QStringLiteral("small-screen-popover-scaled"));
    expectScrollingShowsEveryControl(scroll);
    expectTabReachesEveryControlInView(&popover);
    // Tab left it at the last control: Quit, in view.
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    saveScreen(&popover, QStringLiteral("small-screen-popover-scaled-end"));
}

TEST_F(SmallScreenTest, ThePopoverStaysAboveABottomPanelWhenItsPageChanges) {
    statusItem().itemGeometry = bottomPanelItem;
    menuBar().showPopover();
    PopoverWindow& popover = menuBar().popover();
    EXPECT_EQ(popover.geometry(), QRect(400, 0, 400, 569));
    menuBar().contentView()->showPanel(PanelRoute::connectionMonitor);
    EXPECT_EQ(popover.geometry(), QRect(400, 139, 400, 430)) << "a shorter page stays on the panel";
    menuBar().contentView()->showPanel(PanelRoute::dashboard);
    EXPECT_EQ(popover.geometry(), QRect(400, 0, 400, 569));
}

struct WindowCase {
    const char* title;
    const char* screenName;
    std::function<QWidget*(AppDelegate&, MenuBarController&)> open;
    QSize minimum;
};

const std::vector<WindowCase>& windowCases() {
    const auto tool = [](void (MenuBarController::*open)(),
                         ToolWindow* (MenuBarController::*window)() const) {
        return [open, window](AppDelegate&, MenuBarController& controller) -> QWidget* {
            (controller.*open)();
            return (controller.*window)();
        };
    };
    static const std::vector<WindowCase> cases{
        {"Wi-Fi Radar",
         "small-screen-wifi-radar",
         tool(&MenuBarController::openWiFiRadarWindow, &MenuBarController::wiFiRadarWindow),
         {1080, 680}},
        {"Speed Test",
         "small-screen-speed-test",
         tool(&MenuBarController::openSpeedTestWindow, &MenuBarController::speedTestWindow),
         {860, 580}},
        {"Channel Scan",
         "small-screen-channel-scan",
         tool(&MenuBarController::openChannelScanWindow, &MenuBarController::channelScanWindow),
         {860, 580}},
        {"Diagnostics Export",
         "small-screen-diagnostics-export",
         tool(&MenuBarController::openDiagnosticsExportWindow,
              &MenuBarController::diagnosticsExportWindow),
         {860, 580}},
        {"Settings",
         "small-screen-settings",
         [](AppDelegate& delegate, MenuBarController&) {
             delegate.openSettings();
             return delegate.settingsWindow();
         },
         {720, 440}},
    };
    return cases;
}

// The window lies on area with its title bar, its view keeps its design and
// scrolls, with a bar wherever it is cut, to every control.
void expectFittedAndScrolling(QWidget* window, const WindowCase& row, const QRect& area) {
    const QRect frame = window->geometry();
    EXPECT_TRUE(area.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_GE(frame.top(), area.top() + titleBarAllowance) << "no room for the title bar";
    auto* host = dynamic_cast<ScreenFittedWindow*>(window);
    ASSERT_NE(host, nullptr);
    QWidget* view = host->view();
    EXPECT_GE(view->width(), row.minimum.width());
    EXPECT_GE(view->height(), row.minimum.height());
    QScrollArea* scroll = host->scrollArea();
    EXPECT_EQ(scroll->horizontalScrollBar()->isVisible(),
              view->width() > scroll->viewport()->width());
    EXPECT_EQ(scroll->verticalScrollBar()->isVisible(),
              view->height() > scroll->viewport()->height());
    expectTabReachesEveryControlInView(window);
    expectScrollingShowsEveryControl(scroll);
}

TEST_F(SmallScreenTest, EveryWindowFitsTheScreenAndScrollsToEveryControl) {
    for (const WindowCase& row : windowCases()) {
        SCOPED_TRACE(row.title);
        QWidget* window = row.open(*delegate, menuBar());
        ASSERT_NE(window, nullptr);
        processQueuedEvents();
        saveScreen(window, QString::fromLatin1(row.screenName));
        expectFittedAndScrolling(window, row, screen());
        window->close();
    }
}

TEST_F(SmallScreenTest, OnTheScaledScreenEveryWindowScrollsToEveryControl) {
    for (const WindowCase& row : windowCases()) {
        SCOPED_TRACE(row.title);
        QWidget* window = row.open(*delegate, menuBar());
        ASSERT_NE(window, nullptr);
        window->move(scaledScreen.topLeft() + QPoint(10, 40));
        processQueuedEvents();
        expectFittedAndScrolling(window, row, scaledScreen);
        window->close();
    }
}

TEST_F(SmallScreenTest, TheFocusedControlStaysInViewWhenTheWindowShrinks) {
    menuBar().openSpeedTestWindow();
    ToolWindow* window = menuBar().speedTestWindow();
    QApplication::setActiveWindow(window);
    // The empty state's button, in the middle of the page.
    QAbstractButton* button = nullptr;
    for (auto* candidate : window->findChildren<QAbstractButton*>()) {
        if (candidate->isVisibleTo(window) && candidate->text() == QStringLiteral("Run Test"))
            button = candidate;
    }
    ASSERT_NE(button, nullptr);
    button->setFocus(Qt::TabFocusReason);
    processQueuedEvents();
    ASSERT_TRUE(inView(button));
    window->move(scaledScreen.topLeft() + QPoint(10, 40));
    processQueuedEvents();
    ASSERT_EQ(window->height(), 368);
    EXPECT_TRUE(inView(button)) << "the focused button left the view";
}

TEST_F(SmallScreenTest, OnALargerScreenAWindowTakesItsDesignedLimitsAgain) {
    menuBar().openSpeedTestWindow();
    ToolWindow* window = menuBar().speedTestWindow();
    EXPECT_EQ(window->geometry(), QRect(0, 32, 800, 568));
    window->fitInto(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(window->minimumSize(), QSize(860, 580));
    EXPECT_GE(window->width(), 860);
    window->fitInto(screen());
    EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_TRUE(screen().contains(window->geometry()));
}

TEST_F(SmallScreenTest, AWindowMovedOntoASmallerScreenIsLimitedToIt) {
    delegate->openSettings();
    auto* window = dynamic_cast<ScreenFittedWindow*>(delegate->settingsWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(760, 460));
    window->move(scaledScreen.x() + 10, 40);
    processQueuedEvents();
    EXPECT_EQ(window->geometry(), QRect(scaledScreen.x(), 32, 683, 368));
    EXPECT_TRUE(window->scrollArea()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(window->scrollArea()->verticalScrollBar()->isVisible());
    expectScrollingShowsEveryControl(window->scrollArea());
    expectTabReachesEveryControlInView(window);
}

} // namespace
} // namespace lumra::test
