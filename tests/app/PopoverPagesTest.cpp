// The popover's pages inside the real host: each page's height reaches the
// popover through the controller's clamp, and the toolbox's window rows
// close the popover.
#include "app/ToolWindow.h"
#include "panel/widgets/ContentView.h"
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
