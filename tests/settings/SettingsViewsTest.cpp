// Both settings views built on their own, over fakes of the services they
// take: where the window's battery switch writes, and what either says in
// each of its states.
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "qt/ToggleSwitch.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "settings/widgets/SettingsView.h"
#include "tests/panel/PanelFakes.h"
#include "tests/shell/ShellFakes.h"
#include "tests/support/PlatformWording.h"
#include "tests/support/WidgetTesting.h"

#include <QAbstractButton>
#include <QLabel>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

class SettingsViewsTest : public ::testing::Test {
protected:
    VirtualClockRunLoop loop;
    std::shared_ptr<test::ScriptedHttpClient> http = std::make_shared<test::ScriptedHttpClient>();
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<AppUpdateController> updates = test::makeTestUpdateController(http, opener);
    std::shared_ptr<test::FakeLoginItem> loginItem = std::make_shared<test::FakeLoginItem>();
    std::shared_ptr<LaunchAtLoginController> launchAtLogin = LaunchAtLoginController::create(
        std::make_shared<test::ManualActivationNotifier>(), loginItem, opener);
    // In memory: no directory.
    std::shared_ptr<DefaultsStore> userDefaults = std::make_shared<DefaultsStore>("");
    std::shared_ptr<InMemoryAppSettingsStore> store = std::make_shared<InMemoryAppSettingsStore>();
    const AppBuildMetadataDisplayInfo build{"v1.4.0 (7)", "n/a", "December 11, 2026"};

    PlatformServices services() {
        PlatformServices services;
        services.makeLaunchAtLoginController = [this] {
            return launchAtLogin;
        };
        return services;
    }

    void offerUpdate() {
        http->answerWith({200, AvailableUpdate{"2.1.0", 200, "2026-12-10",
                                               "https://downloads.example.test/x.tar.gz",
                                               "First line\nSecond line", std::nullopt}
                                   .encode()});
        auto check = spawn(mainActor(), [this] { return updates->checkForUpdatesNow(); });
        loop.runUntilIdle();
        ASSERT_TRUE(updates->availableUpdate().get().has_value());
    }

    void settle() {
        loop.runUntilIdle();
        test::processQueuedEvents();
    }

    // Every text of root's widgets, shown or not: labels, buttons, and what
    // a screen reader is told.
    static std::vector<std::string> everyText(QWidget* root) {
        std::vector<std::string> texts;
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            QStringList own{widget->accessibleName(), widget->accessibleDescription(),
                            widget->toolTip()};
            if (auto* label = qobject_cast<QLabel*>(widget))
                own << label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                own << button->text();
            for (const QString& text : own)
                texts.push_back(text.toStdString());
        }
        return texts;
    }

    static void expectNoMac(QWidget* root, const std::string& state) {
        for (const std::string& text : everyText(root))
            EXPECT_FALSE(test::saysMac(text)) << state << ": " << text;
    }
};

TEST_F(SettingsViewsTest, TheWindowsBatterySwitchWritesThroughTheSettingsStore) {
    userDefaults->registerDefaults({{AppSettingsKey::batteryFriendly, true}});
    SettingsView view(storedBatteryFriendly(store, userDefaults), updates, services(), build);
    ASSERT_TRUE(view.batteryFriendlySwitch()->isChecked());
    view.batteryFriendlySwitch()->click();
    EXPECT_FALSE(store->batteryFriendly());
    EXPECT_TRUE(userDefaults->boolForKey(AppSettingsKey::batteryFriendly))
        << "the key is written by the store alone";
    EXPECT_FALSE(view.batteryFriendlySwitch()->isChecked());
    const auto texts = everyText(&view);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Always Fast"), texts.end());
}

// The window and the page in each state they can show: the switch off, the
// approval row, a failed login-item change, the About page with an update
// and while a check runs.
TEST_F(SettingsViewsTest, NeitherViewNamesAnotherSystemsMachineInAnyState) {
    SettingsView window(storedBatteryFriendly(store, userDefaults), updates, services(), build);
    SettingsOverlayCard page(
        storedBatteryFriendly(store, userDefaults), updates, [] {}, launchAtLogin, build);
    const auto both = [&](const std::string& state) {
        settle();
        page.refresh();
        expectNoMac(&window, "window, " + state);
        expectNoMac(&page, "page, " + state);
    };
    both("general");
    const auto general = everyText(&window);
    EXPECT_NE(std::find(general.begin(), general.end(),
                        "Monitoring also pauses automatically while your computer sleeps."),
              general.end());

    window.batteryFriendlySwitch()->click();
    both("battery friendly off");
    loginItem->current = LoginItemStatus::requiresApproval;
    launchAtLogin->refreshStatus();
    both("approval needed");
    loginItem->current = LoginItemStatus::notRegistered;
    loginItem->failure = "refused";
    page.launchSwitch()->click();
    both("login item failed");

    offerUpdate();
    window.selectTab(SettingsTab::about);
    page.tabButton(SettingsTab::about)->click();
    both("about, an update offered");
    http->latency = 2s;
    window.checkForUpdates();
    page.checkButton()->click();
    both("about, checking");
    loop.advanceBy(3s);
}

} // namespace
} // namespace lumra
