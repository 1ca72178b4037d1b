#include "app/MenuBarController.h"

#include "app/ClosedWindowMemory.h"
#include "app/StatusIcon.h"
#include "export/window/DiagnosticsExportWindowView.h"
#include "panel/widgets/ContentView.h"
#include "qt/QtText.h"
#include "windows/channelscan/ChannelScanWindowView.h"
#include "windows/radar/WiFiRadarWindowView.h"
#include "windows/speedtest/SpeedTestWindowView.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

// The icon is drawn for the tray at twice its size in points.
constexpr double iconDevicePixelRatio = 2.0;

const ToolWindowSpec& wiFiRadarSpec() {
    static const ToolWindowSpec spec{QStringLiteral("Wi-Fi Radar"),
                                     {1080, 680},
                                     {1080, 680},
                                     QSize(1080, 680),
                                     "lumra.wifiRadar.windowFrame"};
    return spec;
}
const ToolWindowSpec& speedTestSpec() {
    static const ToolWindowSpec spec{QStringLiteral("Speed Test"),
                                     {980, 680},
                                     {860, 580},
                                     std::nullopt,
                                     "lumra.speedTest.windowFrame"};
    return spec;
}
const ToolWindowSpec& channelScanSpec() {
    static const ToolWindowSpec spec{QStringLiteral("Channel Scan"),
                                     {960, 680},
                                     {860, 580},
                                     std::nullopt,
                                     "lumra.channelScan.windowFrame"};
    return spec;
}
const ToolWindowSpec& diagnosticsExportSpec() {
    static const ToolWindowSpec spec{QStringLiteral("Diagnostics Export"),
                                     {1020, 700},
                                     {860, 580},
                                     std::nullopt,
                                     "lumra.diagnosticsExport.windowFrame"};
    return spec;
}

// Ctrl+, opens Settings from this window.
void addSettingsShortcut(QWidget* window, const std::function<void()>& openSettings) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [openSettings] {
        if (openSettings)
            openSettings();
    });
}

} // namespace

// A mouse press in one of the application's windows other than the popover
// closes it; presses in the popover (and on the tray icon, which is no
// widget) are left alone. Passes every event on.
class MenuBarController::LocalClickMonitor final : public QObject {
public:
    explicit LocalClickMonitor(std::function<void(QObject*)> handler)
        : m_handler(std::move(handler)) {
        qApp->installEventFilter(this);
    }
    ~LocalClickMonitor() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            m_handler(watched);
        return false;
    }

private:
    std::function<void(QObject*)> m_handler;
};

std::shared_ptr<MenuBarController> MenuBarController::create(
    Engine engine, std::shared_ptr<ColorfulIconSettingsProviding> colorfulIconSettingsProvider,
    MenuBarHosting hosting) {
    std::shared_ptr<MenuBarController> controller(new MenuBarController(
        std::move(engine), std::move(colorfulIconSettingsProvider), std::move(hosting)));
    // The content's callbacks hold the controller weakly: built once it is owned.
    controller->buildPopoverContent();
    controller->subscribeIcon();
    return controller;
}

MenuBarController::MenuBarController(
    Engine engine, std::shared_ptr<ColorfulIconSettingsProviding> colorfulIconSettingsProvider,
    MenuBarHosting hosting)
    : m_engine(std::move(engine)),
      m_colorfulIconSettingsProvider(std::move(colorfulIconSettingsProvider)),
      m_hosting(std::move(hosting)), m_popover(std::make_unique<PopoverWindow>()) {
    m_popover->setOnDidClose([this] { popoverDidClose(); });
    addSettingsShortcut(m_popover.get(), m_hosting.openSettings);
}

MenuBarController::~MenuBarController() {
    m_subscriptions.clear();
    removeClickMonitors();
    m_popover->setOnDidClose({});
}

void MenuBarController::buildPopoverContent() {
    const std::weak_ptr<MenuBarController> weakSelf = weak_from_this();
    auto whenAlive = [weakSelf](void (MenuBarController::*open)()) {
        return [weakSelf, open] {
            if (auto self = weakSelf.lock())
                ((*self).*open)();
        };
    };
    ContentView::Callbacks callbacks;
    callbacks.onPreferredPopoverHeightChange = [weakSelf](double height) {
        if (auto self = weakSelf.lock())
            self->updatePopoverHeight(height);
    };
    callbacks.onOpenWiFiRadar = whenAlive(&MenuBarController::openWiFiRadarWindow);
    callbacks.onOpenSpeedTestWindow = whenAlive(&MenuBarController::openSpeedTestWindow);
    callbacks.onOpenChannelScanWindow = whenAlive(&MenuBarController::openChannelScanWindow);
    callbacks.onOpenDiagnosticsExport = whenAlive(&MenuBarController::openDiagnosticsExportWindow);
    // Quitting needs no controller: the application ends either way.
    callbacks.onQuit = [terminate = m_hosting.terminate] {
        if (terminate)
            terminate();
    };
    m_contentView = new ContentView(m_engine, PanelRoute::dashboard, std::move(callbacks),
                                    m_hosting.platformServices);
    m_popover->setContent(m_contentView);
}

void MenuBarController::subscribeIcon() {
    // Both deliver where the value is set; the health state's emission
    // carries the new state, the enabled flag's redraws the current one.
    m_subscriptions.push_back(
        m_engine.lifecycleController->isMonitoringEnabled().subscribe([this](const bool&) {
            refreshStatusItemIcon(m_engine.healthAggregationController->healthState().get());
        }));
    m_subscriptions.push_back(m_engine.healthAggregationController->healthState().subscribe(
        [this](const HealthState& state) { refreshStatusItemIcon(state); }));
}

void MenuBarController::installStatusItem() {
    if (m_statusItem || !m_hosting.statusBar)
        return;
    m_statusItem = m_hosting.statusBar();
    m_shownIconStyle.reset();
    m_shownIconState.reset();
    if (!m_statusItem)
        return;
    const std::weak_ptr<MenuBarController> weakSelf = weak_from_this();
    StatusItemActions actions;
    actions.onTrigger = [weakSelf](QPoint point) {
        if (auto self = weakSelf.lock())
            self->togglePopover(point);
    };
    actions.onOpenSettings = m_hosting.openSettings;
    actions.onQuit = [weakSelf] {
        if (auto self = weakSelf.lock())
            self->quitApplication();
    };
    m_statusItem->setActions(std::move(actions));
    m_statusItem->setToolTip(QStringLiteral("Lumra"));
    refreshStatusItemIcon(m_engine.healthAggregationController->healthState().get());
}

void MenuBarController::refreshStatusItemIcon(HealthState state) {
    if (!m_statusItem)
        return;
    // Every poll publishes the state, mostly unchanged: the tray hears only
    // of a change (a new picture costs the host a repaint and Qt a cache entry).
    const StatusIconStyle style =
        statusIconStyle(state, m_colorfulIconSettingsProvider->isColorfulIconEnabled());
    if (m_shownIconStyle == style && m_shownIconState == state)
        return;
    const QImage image = composeStatusIcon(style, iconDevicePixelRatio);
    if (image.isNull())
        return;
    if (m_shownIconState != state)
        m_statusItem->setAccessibilityText(qText(statusAccessibilityText(state)));
    if (m_shownIconStyle != style)
        m_statusItem->setImage(image);
    m_shownIconStyle = style;
    m_shownIconState = state;
}

void MenuBarController::togglePopover(QPoint activationPoint) {
    if (m_popover->isShown()) {
        closePopover();
        return;
    }
    if (m_closedOnDeactivation.isValid() &&
        m_closedOnDeactivation.elapsed() < deactivationClickWindowMilliseconds) {
        m_closedOnDeactivation.invalidate();
        return;
    }
    showPopover(activationPoint);
}

void MenuBarController::showPopover(QPoint activationPoint) {
    if (!m_statusItem)
        return;
    m_closedOnDeactivation.invalidate();
    m_engine.locationPermissionController->refreshStatus();
    const QRect itemGeometry = m_statusItem->geometry();
    m_popover->showRelativeTo(itemGeometry.isEmpty() ? std::nullopt
                                                     : std::optional<QRect>(itemGeometry),
                              activationPoint);
    m_engine.lifecycleController->setPopoverPresented(true);
    m_engine.lifecycleController->applyPollInterval();
    m_engine.lifecycleController->refreshAll();
    installClickMonitors();
}

void MenuBarController::closePopover() {
    m_popover->performClose();
}

void MenuBarController::popoverDidClose() {
    m_engine.lifecycleController->setPopoverPresented(false);
    m_engine.lifecycleController->applyPollInterval();
    removeClickMonitors();
}

void MenuBarController::updatePopoverHeight(double requestedHeight) {
    if (!std::isfinite(requestedHeight))
        return;
    const double clamped = std::clamp(requestedHeight, minimumPopoverHeight, maximumPopoverHeight);
    if (std::abs(m_popover->contentHeight() - clamped) > 0.5)
        m_popover->setContentHeight(static_cast<int>(std::lround(clamped)));
}

void MenuBarController::installClickMonitors() {
    if (m_globalClickMonitor || m_localClickMonitor)
        return;
    m_globalClickMonitor = QObject::connect(qApp, &QGuiApplication::applicationStateChanged,
                                            m_popover.get(), [this](Qt::ApplicationState state) {
                                                if (state != Qt::ApplicationActive)
                                                    handleApplicationDeactivated();
                                            });
    m_localClickMonitor = std::make_unique<LocalClickMonitor>(
        [this](QObject* receiver) { handleLocalClick(receiver); });
}

void MenuBarController::removeClickMonitors() {
    if (m_globalClickMonitor) {
        QObject::disconnect(m_globalClickMonitor);
        m_globalClickMonitor = {};
    }
    m_localClickMonitor.reset();
}

void MenuBarController::handleApplicationDeactivated() {
    if (!m_popover->isShown())
        return;
    closePopover();
    m_closedOnDeactivation.start();
}

void MenuBarController::handleLocalClick(QObject* receiver) {
    if (!m_popover->isShown())
        return;
    auto* widget = static_cast<QWidget*>(receiver);
    if (widget->window() == m_popover.get())
        return;
    // A press on the item is its own click: togglePopover decides.
    if (m_statusItem && m_statusItem->isItemWidget(widget))
        return;
    closePopover();
}

std::unique_ptr<ToolWindow> MenuBarController::makeToolWindow(const ToolWindowSpec& spec,
                                                              QWidget* view) {
    auto window = std::make_unique<ToolWindow>(spec, view, m_hosting.userDefaults);
    releaseMemoryWhenClosed(window.get());
    addSettingsShortcut(window.get(), m_hosting.openSettings);
    return window;
}

void MenuBarController::openToolWindow(std::unique_ptr<ToolWindow>& window,
                                       const std::function<std::unique_ptr<ToolWindow>()>& build) {
    if (!window)
        window = build();
    if (m_popover->isShown())
        closePopover();
    window->show();
    window->raise();
    window->activateWindow();
}

void MenuBarController::openWiFiRadarWindow() {
    openToolWindow(m_wiFiRadarWindow, [this] {
        return makeToolWindow(wiFiRadarSpec(),
                              new WiFiRadarWindowView(m_engine, m_hosting.platformServices));
    });
}

void MenuBarController::openSpeedTestWindow() {
    openToolWindow(m_speedTestWindow, [this] {
        return makeToolWindow(speedTestSpec(),
                              new SpeedTestWindowView(m_engine, /*headerContentSpacing=*/10));
    });
}

void MenuBarController::openChannelScanWindow() {
    openToolWindow(m_channelScanWindow, [this] {
        return makeToolWindow(channelScanSpec(),
                              new ChannelScanWindowView(m_engine, /*headerContentSpacing=*/10));
    });
}

void MenuBarController::openDiagnosticsExportWindow() {
    openToolWindow(m_diagnosticsExportWindow, [this] {
        return makeToolWindow(diagnosticsExportSpec(), new DiagnosticsExportWindowView(m_engine));
    });
}

void MenuBarController::quitApplication() {
    if (m_hosting.terminate)
        m_hosting.terminate();
}

void MenuBarController::tearDown() {
    if (m_popover->isShown())
        closePopover();
    removeClickMonitors();
    m_statusItem.reset();
}

} // namespace lumra
