// What a screen reader sees of each kit control and what its first action
// does (AT-SPI's doAction(0) runs the first of actionNames()).
#include "qt/KitButton.h"
#include "qt/LinkButton.h"
#include "qt/ToggleSwitch.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace lumra {
namespace {

KitButtonStyle tabStyle() {
    return KitButtonStyle{.checkedTextColor = Qt::blue, .underlinesWhenChecked = true};
}

struct ControlRow {
    const char* what;
    std::function<QAbstractButton*()> make;
    QAccessible::Role role;
    QString firstAction;
    // What a click leaves it: checked or not (unchecked for a plain button).
    bool checkedAfterClick;
};

std::vector<ControlRow> controlRows() {
    return {
        {"switch", [] { return new ToggleSwitch; }, QAccessible::CheckBox,
         QAccessibleActionInterface::toggleAction(), true},
        {"button", [] { return new KitButton(KitButtonStyle{}, QStringLiteral("Quit")); },
         QAccessible::Button, QAccessibleActionInterface::pressAction(), false},
        {"symbol button",
         [] {
             auto* button = new KitButton(KitButtonStyle{.symbolName = QStringLiteral("gearshape"),
                                                         .symbolSize = QSizeF(16, 16)});
             button->setAccessibleName(QStringLiteral("Quit"));
             return button;
         },
         QAccessible::Button, QAccessibleActionInterface::pressAction(), false},
        {"tab",
         [] {
             auto* tab = new KitButton(tabStyle(), QStringLiteral("Quit"));
             tab->setCheckable(true);
             return tab;
         },
         QAccessible::PageTab, QAccessibleActionInterface::pressAction(), true},
        {"link", [] { return new LinkButton(QStringLiteral("Quit")); }, QAccessible::Button,
         QAccessibleActionInterface::pressAction(), false},
    };
}

TEST(KitAccessibilityTest, TheFirstActionClicksAtOnceAndTheStateFollows) {
    for (const ControlRow& row : controlRows()) {
        SCOPED_TRACE(row.what);
        const std::unique_ptr<QAbstractButton> control(row.make());
        if (control->accessibleName().isEmpty())
            control->setAccessibleName(QStringLiteral("Quit"));
        QSignalSpy clicks(control.get(), &QAbstractButton::clicked);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.get());
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), row.role);
        EXPECT_EQ(accessible->text(QAccessible::Name), "Quit");
        EXPECT_EQ(accessible->state().checkable, control->isCheckable());
        EXPECT_FALSE(accessible->state().checked);
        QAccessibleActionInterface* actions = accessible->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_FALSE(actions->actionNames().isEmpty());
        EXPECT_EQ(actions->actionNames().first(), row.firstAction);

        actions->doAction(actions->actionNames().first());
        EXPECT_EQ(clicks.count(), 1);
        if (!clicks.isEmpty()) {
            EXPECT_EQ(clicks.first().first().toBool(), row.checkedAfterClick);
        }
        EXPECT_EQ(control->isChecked(), row.checkedAfterClick);
        EXPECT_EQ(accessible->state().checked, row.checkedAfterClick);
        if (row.role == QAccessible::PageTab) {
            EXPECT_TRUE(accessible->state().selectable);
            EXPECT_TRUE(accessible->state().selected);
        }
        // A second action undoes a toggle, as a second click would.
        actions->doAction(row.firstAction);
        EXPECT_EQ(clicks.count(), 2);
        EXPECT_FALSE(accessible->state().checked);

        control->setDown(true);
        EXPECT_TRUE(accessible->state().pressed);
        control->setDown(false);
        EXPECT_FALSE(accessible->state().pressed);
    }
}

TEST(KitAccessibilityTest, ADisabledControlOffersNoClickAndIgnoresOne) {
    for (const ControlRow& row : controlRows()) {
        SCOPED_TRACE(row.what);
        const std::unique_ptr<QAbstractButton> control(row.make());
        control->setEnabled(false);
        QSignalSpy clicks(control.get(), &QAbstractButton::clicked);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.get());
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->actionInterface()->actionNames().contains(row.firstAction));
        accessible->actionInterface()->doAction(row.firstAction);
        EXPECT_EQ(clicks.count(), 0);
        EXPECT_TRUE(accessible->state().disabled);
    }
}

TEST(KitAccessibilityTest, AButtonThatBecomesCheckableSaysSo) {
    KitButton button(tabStyle(), QStringLiteral("General"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    button.setCheckable(true);
    button.setChecked(true);
    EXPECT_EQ(accessible->role(), QAccessible::PageTab);
    EXPECT_TRUE(accessible->state().selected);
}

} // namespace
} // namespace lumra
