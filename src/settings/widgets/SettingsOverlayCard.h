// The settings page: General (battery-friendly mode, launch at login) and
// About (build, update check, available update). Built afresh on each
// visit, so its tab, error and check state start over. Main thread.
#pragma once

#include "qt/CapsuleBadge.h"
#include "qt/DeferredRefresh.h"
#include "qt/KitButton.h"
#include "qt/Spinner.h"
#include "qt/ToggleSwitch.h"
#include "settings/viewmodel/BatteryFriendlySetting.h"
#include "settings/viewmodel/SettingsModel.h"
#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"

#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QHBoxLayout;

namespace lumra {

class SettingsOverlayCard final : public QWidget {
public:
    SettingsOverlayCard(BatteryFriendlySetting isBatteryFriendly,
                        std::shared_ptr<AppUpdateController> appUpdateController,
                        std::function<void()> onClose,
                        std::shared_ptr<LaunchAtLoginController> launchAtLoginController,
                        AppBuildMetadataDisplayInfo buildMetadata, QWidget* parent = nullptr);

    // Redraws from the observed objects and the card's own state.
    void refresh();

    const std::shared_ptr<SettingsModel>& state() const { return m_state; }
    KitButton* tabButton(SettingsTab tab) const;
    ToggleSwitch* batterySwitch() const { return m_batterySwitch; }
    CapsuleBadge* batteryChip() const { return m_batteryChip; }
    ToggleSwitch* launchSwitch() const { return m_launchSwitch; }
    QWidget* approvalRow() const { return m_approvalRow; }
    QAbstractButton* approvalOpenButton() const { return m_approvalOpen; }
    QLabel* launchErrorLabel() const { return m_launchError; }
    QWidget* generalTab() const { return m_general; }
    QWidget* aboutTab() const { return m_about; }
    QWidget* updateCard() const { return m_updateCard; }
    QLabel* updateTitle() const { return m_updateTitle; }
    QLabel* releaseNotesLabel() const { return m_releaseNotes; }
    KitButton* downloadButton() const { return m_download; }
    KitButton* checkButton() const { return m_check; }
    Spinner* checkSpinner() const { return m_spinner; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildGeneral();
    QWidget* buildBatteryCard(QWidget* tab);
    QWidget* buildLaunchCard(QWidget* tab);
    QWidget* buildAbout();
    QWidget* buildBuildCard(QWidget* tab);
    QWidget* buildUpdateCard(QWidget* tab);
    QHBoxLayout* buildCheckRow(QWidget* tab);

    BatteryFriendlySetting m_isBatteryFriendly;
    std::shared_ptr<AppUpdateController> m_appUpdateController;
    std::function<void()> m_onClose;
    std::shared_ptr<LaunchAtLoginController> m_launchAtLogin;
    AppBuildMetadataDisplayInfo m_buildMetadata;
    std::shared_ptr<SettingsModel> m_state;
    DeferredRefresh* m_refresh;

    std::vector<KitButton*> m_tabButtons;
    QWidget* m_general = nullptr;
    QWidget* m_about = nullptr;
    ToggleSwitch* m_batterySwitch = nullptr;
    CapsuleBadge* m_batteryChip = nullptr;
    ToggleSwitch* m_launchSwitch = nullptr;
    QWidget* m_approvalRow = nullptr;
    QAbstractButton* m_approvalOpen = nullptr;
    QLabel* m_launchError = nullptr;
    QWidget* m_updateCard = nullptr;
    QLabel* m_updateTitle = nullptr;
    QLabel* m_releaseNotes = nullptr;
    KitButton* m_download = nullptr;
    KitButton* m_check = nullptr;
    Spinner* m_spinner = nullptr;
};

} // namespace lumra
