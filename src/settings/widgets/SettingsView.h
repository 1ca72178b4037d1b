// The Settings window's content: a sidebar with the General and About pages.
// General holds the battery-friendly switch over the setting it is given
// (the composition root gives the stored one: writing it changes nothing
// else, the running monitors take it at the next start), and the
// launch-at-login switch over the view's own controller; About shows the
// build and lets the user check for an update and open its download page.
// Main thread.
#pragma once

#include "concurrency/Published.h"
#include "qt/CardFrame.h"
#include "qt/KitButton.h"
#include "settings/viewmodel/BatteryFriendlySetting.h"
#include "settings/viewmodel/SettingsModel.h"
#include "settings/viewmodel/SettingsTab.h"
#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"
#include "shell/services/PlatformServices.h"
#include "shell/update/AppUpdateController.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QHBoxLayout;
class QLabel;
class QStackedWidget;

namespace lumra {

class CapsuleBadge;
class CardFrame;
class DeferredRefresh;
class KeyValueRow;
class Spinner;
class ToggleSwitch;

class SettingsView final : public QWidget {
public:
    SettingsView(BatteryFriendlySetting isBatteryFriendly,
                 std::shared_ptr<AppUpdateController> appUpdateController,
                 PlatformServices services, AppBuildMetadataDisplayInfo buildMetadata,
                 QWidget* parent = nullptr);
    ~SettingsView() override;

    SettingsTab selectedTab() const { return m_model->selectedTab(); }
    void selectTab(SettingsTab tab);
    bool isCheckingForUpdate() const { return m_model->isCheckingForUpdate(); }
    std::optional<QString> launchAtLoginError() const;
    const std::shared_ptr<LaunchAtLoginController>& launchAtLoginController() const {
        return m_launchAtLoginController;
    }

    // The controls, for the window's own tests.
    ToggleSwitch* batteryFriendlySwitch() const { return m_batterySwitch; }
    ToggleSwitch* launchAtLoginSwitch() const { return m_launchSwitch; }
    KitButton* checkForUpdatesButton() const { return m_checkButton; }
    QWidget* updateCard() const { return m_updateCard; }
    QLabel* releaseNotesLabel() const { return m_releaseNotes; }
    KitButton* downloadButton() const { return m_downloadButton; }
    KitButton* tabButton(SettingsTab tab) const;

    void checkForUpdates();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSidebar();
    QWidget* buildGeneralPage();
    QWidget* buildAboutPage();
    QWidget* buildBuildCard(QWidget* page);
    QWidget* buildUpdateCard(QWidget* page);
    QHBoxLayout* buildFooter(QWidget* page);
    void generalPageAppeared();
    void setBatteryFriendly(bool value);
    void setLaunchAtLogin(bool value);
    void refresh();
    void showReleaseNotes();

    const BatteryFriendlySetting m_isBatteryFriendly;
    const std::shared_ptr<AppUpdateController> m_appUpdateController;
    const std::shared_ptr<LaunchAtLoginController> m_launchAtLoginController;
    const AppBuildMetadataDisplayInfo m_buildMetadata;

    std::shared_ptr<SettingsModel> m_model;

    std::vector<KitButton*> m_tabButtons;
    QStackedWidget* m_pages = nullptr;
    ToggleSwitch* m_batterySwitch = nullptr;
    CapsuleBadge* m_modeBadge = nullptr;
    ToggleSwitch* m_launchSwitch = nullptr;
    QWidget* m_approvalRow = nullptr;
    CardFrame* m_updateCard = nullptr;
    QLabel* m_updateTitle = nullptr;
    QLabel* m_releaseNotes = nullptr;
    // The notes as given; the label shows at most three lines of them.
    QString m_releaseNotesText;
    KitButton* m_downloadButton = nullptr;
    KitButton* m_checkButton = nullptr;
    Spinner* m_checkSpinner = nullptr;
    DeferredRefresh* m_refresh = nullptr;
    Subscription m_batteryObservation;
};

} // namespace lumra
