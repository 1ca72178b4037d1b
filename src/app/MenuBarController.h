// The application's presence in the tray: the status item and its health
// icon, the popover with its content, the outside-click monitors that close
// it, and the four tool windows. It tells the lifecycle controller when the
// popover opens and closes, which switches polling between the fast and the
// background interval. Main thread (the main actor).
#pragma once

#include "app/ColorfulIconSettingsProviding.h"
#include "app/PopoverWindow.h"
#include "app/StatusIconStyle.h"
#include "app/StatusItemHosting.h"
#include "app/ToolWindow.h"
#include "concurrency/Published.h"
#include "platform/defaults/DefaultsStore.h"
#include "shell/services/Engine.h"
#include "shell/services/PlatformServices.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <memory>
#include <optional>
#include <vector>

namespace lumra {

class ContentView;

// What the controller needs of the desktop and the application.
struct MenuBarHosting {
    StatusBar statusBar;
    // Where the tool windows keep their frames.
    std::shared_ptr<DefaultsStore> userDefaults;
    PlatformServices platformServices;
    std::function<void()> openSettings;
    // Asks the application to terminate (the shutdown sequence follows).
    std::function<void()> terminate;
};

class MenuBarController final : public std::enable_shared_from_this<MenuBarController> {
public:
    // Builds the popover and its content and subscribes the icon; installs
    // no status item yet.
    static std::shared_ptr<MenuBarController>
    create(Engine engine,
           std::shared_ptr<ColorfulIconSettingsProviding> colorfulIconSettingsProvider,
           MenuBarHosting hosting);
    ~MenuBarController();
    MenuBarController(const MenuBarController&) = delete;
    MenuBarController& operator=(const MenuBarController&) = delete;

    void installStatusItem();
    // The status item's left click at activationPoint.
    void togglePopover(QPoint activationPoint = {});
    void showPopover(QPoint activationPoint = {});
    void closePopover();
    // Clamped to 320...700; applied when it differs by more than 0.5.
    void updatePopoverHeight(double requestedHeight);
    void openWiFiRadarWindow();
    void openSpeedTestWindow();
    void openChannelScanWindow();
    void openDiagnosticsExportWindow();
    void quitApplication();
    // Closes the popover, removes the click monitors and the status item;
    // tool windows stay as they are.
    void tearDown();

    // Redraws the icon for state with the current colourful setting.
    void refreshStatusItemIcon(HealthState state);

    // The application stopped being the active one (the outside click).
    void handleApplicationDeactivated();

    StatusItemHosting* statusItem() const { return m_statusItem.get(); }
    PopoverWindow& popover() const { return *m_popover; }
    ContentView* contentView() const { return m_contentView; }
    bool isPopoverShown() const { return m_popover->isShown(); }
    bool hasGlobalClickMonitor() const { return static_cast<bool>(m_globalClickMonitor); }
    bool hasLocalClickMonitor() const { return m_localClickMonitor != nullptr; }
    ToolWindow* wiFiRadarWindow() const { return m_wiFiRadarWindow.get(); }
    ToolWindow* speedTestWindow() const { return m_speedTestWindow.get(); }
    ToolWindow* channelScanWindow() const { return m_channelScanWindow.get(); }
    ToolWindow* diagnosticsExportWindow() const { return m_diagnosticsExportWindow.get(); }

    static constexpr double minimumPopoverHeight = 320;
    static constexpr double maximumPopoverHeight = 700;
    // A click on the status item this soon after the popover closed because
    // the application lost focus is that same click: it does not reopen it.
    static constexpr qint64 deactivationClickWindowMilliseconds = 400;

private:
    class LocalClickMonitor;

    MenuBarController(Engine engine,
                      std::shared_ptr<ColorfulIconSettingsProviding> colorfulIconSettingsProvider,
                      MenuBarHosting hosting);
    void buildPopoverContent();
    void subscribeIcon();
    void popoverDidClose();
    void installClickMonitors();
    void removeClickMonitors();
    void handleLocalClick(QObject* receiver);
    // Builds the window on first use, closes the popover, fronts the window.
    void openToolWindow(std::unique_ptr<ToolWindow>& window,
                        const std::function<std::unique_ptr<ToolWindow>()>& build);
    std::unique_ptr<ToolWindow> makeToolWindow(const ToolWindowSpec& spec, QWidget* view);

    const Engine m_engine;
    const std::shared_ptr<ColorfulIconSettingsProviding> m_colorfulIconSettingsProvider;
    const MenuBarHosting m_hosting;

    std::unique_ptr<PopoverWindow> m_popover;
    ContentView* m_contentView = nullptr;
    std::unique_ptr<ToolWindow> m_wiFiRadarWindow;
    std::unique_ptr<ToolWindow> m_speedTestWindow;
    std::unique_ptr<ToolWindow> m_channelScanWindow;
    std::unique_ptr<ToolWindow> m_diagnosticsExportWindow;
    std::unique_ptr<StatusItemHosting> m_statusItem;
    // What the status item shows now (nothing before its first picture).
    std::optional<StatusIconStyle> m_shownIconStyle;
    std::optional<HealthState> m_shownIconState;
    QMetaObject::Connection m_globalClickMonitor;
    std::unique_ptr<LocalClickMonitor> m_localClickMonitor;
    QElapsedTimer m_closedOnDeactivation;
    std::vector<Subscription> m_subscriptions;
};

} // namespace lumra
