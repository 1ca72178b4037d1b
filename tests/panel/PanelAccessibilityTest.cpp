// The popover's controls as a screen reader works them: the first action
// (what AT-SPI's doAction(0) runs) does what a click does.
#include "panel/widgets/DashboardPage.h"
#include "panel/widgets/OverlayCards.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "tests/panel/PanelFixture.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::PanelFixture;

template <class Page> Page* shownPage(PanelFixture& f, ContentView& view) {
    view.show();
    f.settle();
    return dynamic_cast<Page*>(view.currentPage());
}

QAccessibleInterface* accessibleOf(QWidget* control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    EXPECT_NE(accessible, nullptr);
    EXPECT_NE(accessible ? accessible->actionInterface() : nullptr, nullptr);
    return accessible;
}

void doFirstAction(QAccessibleInterface* accessible) {
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_FALSE(actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().first());
}

TEST(PanelAccessibility, TheMonitoringSwitchsActionWritesTheSetting) {
    PanelFixture f;
    f.run(2);
    auto view = f.makeView();
    auto* page = shownPage<DashboardPage>(f, *view);
    ASSERT_NE(page, nullptr);
    QAccessibleInterface* accessible = accessibleOf(page->monitoringSwitch());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Enabled");
    EXPECT_TRUE(accessible->state().checkable);
    EXPECT_TRUE(accessible->state().checked);

    doFirstAction(accessible);
    f.settle();
    EXPECT_FALSE(f.settings->monitoringEnabled());
    EXPECT_FALSE(f.lifecycle->isMonitoringEnabled().get());
    EXPECT_FALSE(accessible->state().checked);
    doFirstAction(accessible);
    f.settle();
    EXPECT_TRUE(f.settings->monitoringEnabled());
    EXPECT_TRUE(accessible->state().checked);
}

TEST(PanelAccessibility, AToolboxRowsActionOpensItsTool) {
    PanelFixture f;
    auto view = f.makeView(PanelRoute::toolbox);
    auto* card = shownPage<ToolboxOverlayCard>(f, *view);
    ASSERT_NE(card, nullptr);
    QAccessibleInterface* accessible = accessibleOf(card->rows().at(2));
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Speed Test");
    doFirstAction(accessible);
    EXPECT_EQ(f.calls, std::vector<std::string>{"speed"});
}

TEST(PanelAccessibility, ASettingsTabsActionSelectsIt) {
    PanelFixture f;
    f.run(1);
    auto view = f.makeView(PanelRoute::settings);
    auto* card = shownPage<SettingsOverlayCard>(f, *view);
    ASSERT_NE(card, nullptr);
    QAccessibleInterface* general = accessibleOf(card->tabButton(SettingsTab::general));
    QAccessibleInterface* about = accessibleOf(card->tabButton(SettingsTab::about));
    ASSERT_TRUE(general != nullptr && about != nullptr);
    EXPECT_EQ(about->role(), QAccessible::PageTab);
    EXPECT_TRUE(general->state().selected);
    EXPECT_FALSE(about->state().selected);

    doFirstAction(about);
    f.settle();
    EXPECT_TRUE(card->aboutTab()->isVisibleTo(card));
    EXPECT_FALSE(card->generalTab()->isVisibleTo(card));
    EXPECT_TRUE(about->state().selected);
    EXPECT_FALSE(general->state().selected);
}

} // namespace
} // namespace lumra
