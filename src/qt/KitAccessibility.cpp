#include "qt/KitAccessibility.h"

#include "qt/KitButton.h"
#include "qt/LinkButton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

namespace lumra {

namespace {

class KitAccessibleButton final : public QAccessibleWidget {
public:
    explicit KitAccessibleButton(QAbstractButton* button) : QAccessibleWidget(button) {}

    // Read each time: a button may become checkable after it was first asked.
    QAccessible::Role role() const override {
        if (isTab())
            return QAccessible::PageTab;
        return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        if (isTab()) {
            state.selectable = true;
            state.selected = button()->isChecked();
        }
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        QStringList names;
        if (button()->isEnabled())
            names << clickActionName();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != clickActionName()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        // Synchronously, as a pointer's release would; the button may be gone
        // afterwards.
        if (button()->isEnabled())
            button()->click();
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }

    bool isTab() const {
        const auto* kitButton = dynamic_cast<const KitButton*>(button());
        return kitButton != nullptr && kitButton->isTab();
    }

    // A tab is chosen and a button pressed; a switch is toggled. Each is a click.
    QString clickActionName() const {
        return button()->isCheckable() && !isTab() ? toggleAction() : pressAction();
    }
};

QAccessibleInterface* kitAccessibleInterface(const QString& className, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (button == nullptr)
        return nullptr;
    // Qt answers for its own buttons under their own class names first; the
    // abstract base's name is reached only by a button painted here.
    if (className != QLatin1String("QAbstractButton") &&
        dynamic_cast<LinkButton*>(button) == nullptr)
        return nullptr;
    return new KitAccessibleButton(button);
}

} // namespace

void installKitAccessibility() {
    QAccessible::installFactory(&kitAccessibleInterface);
}

} // namespace lumra
