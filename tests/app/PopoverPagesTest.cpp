// The popover's pages inside the real host: each page's height reaches the
// popover through the controller's clamp, and the toolbox's window rows
// close the popover.
#include "app/PopoverWindow.h"
#include "app/ToolWindow.h"
#include "panel/widgets/ContentView.h"
#include "qt/WindowShape.h"
#include "tests/app/AppTestFixture.h"

#include <QAbstractButton>

namespace lumra::test {
namespace {

class PopoverPagesTest : public AppTest {
protected:
    PopoverPagesTest() {
        delegate->startUp();
        loop.runUntilIdle();
    }

    void click(const QString& name) {
        for (auto* button : menuBar().contentView()->findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(menuBar().contentView()) &&
                (button->accessibleName() == name || button->text() == name)) {
                button->click();
                loop.runUntilIdle();
                test::processQueuedEvents();
                return;
            }
        }
        ADD_FAILURE() << "no button " << name.toStdString();
    }
};

// Without a compositor (offscreen has none) the window server cuts the
// popover to its rounded shape; inside it nothing is cut.
TEST(PopoverShapeTest, TheCornersAreCutToTheRoundedShape) {
    ASSERT_FALSE(desktopComposites());
    PopoverWindow window;
    window.showRelativeTo(QRect(600, 0, 24, 24), QPoint());
    const QRegion mask = window.mask();
    ASSERT_FALSE(mask.isEmpty());
    const int w = window.size().width(), h = window.size().height();
    for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1),
                                QPoint(w - 1, h - 1), QPoint(2, 2), QPoint(w - 3, h - 3)})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
    for (const QPoint inside : {QPoint(14, 0), QPoint(0, 14), QPoint(w / 2, h / 2),
                                QPoint(w - 1, h / 2), QPoint(w / 2, h - 1), QPoint(6, 6)})
        EXPECT_TRUE(mask.contains(inside)) << inside.x() << "," << inside.y();
    // A new height keeps the shape.
    window.setContentHeight(430);
    EXPECT_FALSE(window.mask().contains(QPoint(1, 429)));
    EXPECT_TRUE(window.mask().contains(QPoint(200, 429)));
    window.performClose();
}

TEST_F(PopoverPagesTest, EveryPageSizesThePopover) {
    MenuBarController& controller = menuBar();
    controller.showPopover();
    test::processQueuedEvents();
    ASSERT_NE(controller.contentView(), nullptr);
    EXPECT_EQ(controller.popover().contentHeight(), 650);
    click("Open Settings");
    EXPECT_EQ(controller.popover().contentHeight(), 560);
    click("Back to Main");
    EXPECT_EQ(controller.popover().contentHeight(), 650);
    click("Open Toolbox");
    click("Connection Monitor");
    EXPECT_EQ(controller.contentView()->activePanel(), PanelRoute::connectionMonitor);
    EXPECT_EQ(controller.popover().contentHeight(), 430);
    click("Back to Toolbox");
    EXPECT_EQ(controller.popover().contentHeight(), 650);
    click("Captive Portal");
    EXPECT_EQ(controller.popover().contentHeight(), 430);
    click("Back to Toolbox");

    // A window row closes the popover and leaves the page as it was.
    click("Speed Test");
    EXPECT_FALSE(controller.isPopoverShown());
    EXPECT_EQ(controller.contentView()->activePanel(), PanelRoute::toolbox);
    controller.showPopover();
    test::processQueuedEvents();
    EXPECT_EQ(controller.popover().contentHeight(), 650);
}

} // namespace
} // namespace lumra::test
