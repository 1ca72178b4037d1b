#include "panel/widgets/ContentView.h"

#include "panel/viewmodel/OverlayCardModels.h"
#include "panel/viewmodel/PanelTexts.h"
#include "panel/widgets/DashboardPage.h"
#include "panel/widgets/OverlayCards.h"
#include "platform/bundle/Bundle.h"
#include "qt/CrossFade.h"
#include "qt/DeferredRefresh.h"
#include "qt/KitFonts.h"
#include "qt/LocaleDateFormat.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/QtText.h"
#include "qt/ScrollingContent.h"
#include "qt/WindowShape.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "viewkit/MetricFormat.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>

namespace lumra {

namespace PP = PanelPalette;

namespace {

// The page's padding inside the scroll view.
QMargins pagePadding(PanelRoute route) {
    switch (route) {
    case PanelRoute::dashboard:
        return {16, 14, 16, 10};
    case PanelRoute::settings:
    case PanelRoute::toolbox:
        return {14, 14, 14, 10};
    case PanelRoute::connectionMonitor:
    case PanelRoute::captivePortal:
        break;
    }
    return {14, 14, 14, 8};
}

} // namespace

ContentView::ContentView(Engine engine, PanelRoute activePanel, Callbacks callbacks,
                         PlatformServices services, QWidget* parent)
    : QWidget(parent), m_engine(std::move(engine)), m_callbacks(std::move(callbacks)),
      m_services(std::move(services)),
      m_router(
          [this](double height) {
              if (m_callbacks.onPreferredPopoverHeightChange) {
                  m_callbacks.onPreferredPopoverHeightChange(height);
              }
          },
          activePanel) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Lumra"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFixedWidth(368);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes to the page's controls, never to the scroller.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    // A bar shows only where the screen cuts the popover short of its page.
    showScrollBarsWhenNeeded(m_scroll, Qt::Vertical, paletteWhite(0.25));
    scrollToFocus(m_scroll);
    // The bar coming or going narrows or widens the page.
    m_scroll->viewport()->installEventFilter(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    layout->addWidget(m_scroll, 0, Qt::AlignHCenter);

    m_crossFade = new CrossFade(this);
    // Off screen nothing is drawn: coming on screen redraws from the objects.
    m_refresh = new DeferredRefresh(this, [this] {
        if (isVisible())
            refresh();
    });
    for (const ObservableObject* object : observedParts(m_engine)) {
        m_refresh->observe(*object);
    }
    // Nothing is on screen yet: coming on screen reports the height.
    setPage(buildPage(m_router.activePanel()));
}

void ContentView::setPage(QWidget* padded) {
    m_scroll->setWidget(padded);
    // The scroll area fills its widget's background; the panel's gradient
    // shows through instead.
    padded->setAutoFillBackground(false);
    fitDashboard();
}

void ContentView::fitDashboard() {
    if (auto* dashboard = dynamic_cast<DashboardPage*>(m_page)) {
        const QMargins padding = pagePadding(PanelRoute::dashboard);
        const QSize viewport = m_scroll->viewport()->size();
        dashboard->fitInto(viewport.width() - padding.left() - padding.right(),
                           viewport.height() - padding.top() - padding.bottom());
    }
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitDashboard();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize)
        fitDashboard();
    return QWidget::eventFilter(watched, event);
}

ContentView::~ContentView() {
    m_refresh->stopObserving();
}

void ContentView::showPanel(PanelRoute route) {
    m_crossFade->capture();
    // The old page may be the caller (its Back button): delete it later.
    QWidget* old = m_scroll->takeWidget();
    if (old != nullptr) {
        old->hide();
        old->deleteLater();
    }
    setPage(buildPage(route));
    m_scroll->verticalScrollBar()->setValue(0);
    m_router.showPanel(route);
    m_crossFade->start(pageChangeSpring);
}

QWidget* ContentView::buildDashboard() {
    DashboardPage::Actions actions;
    actions.showToolbox = [this] {
        showPanel(PanelRoute::toolbox);
    };
    actions.showSettings = [this] {
        showPanel(PanelRoute::settings);
    };
    actions.setMonitoringEnabled = [this](bool enabled) {
        setMonitoringEnabled(enabled);
    };
    actions.locationAction = [this] {
        performLocationAction();
    };
    actions.quit = [this] {
        if (m_callbacks.onQuit) {
            m_callbacks.onQuit();
        }
    };
    const DashboardModel model = dashboardModel();
    m_drawnState = std::pair{model.isMonitoringEnabled, model.healthBadge.text};
    return new DashboardPage(model, std::move(actions));
}

QWidget* ContentView::buildSettings() {
    auto launchAtLogin =
        m_services.makeLaunchAtLoginController ? m_services.makeLaunchAtLoginController() : nullptr;
    return new SettingsOverlayCard(
        lifecycleBatteryFriendly(m_engine.lifecycleController), m_engine.appUpdateController,
        [this] { showPanel(PanelRoute::dashboard); }, std::move(launchAtLogin),
        AppBuildMetadataDisplayInfo(Bundle::main(), LocaleLongDateFormatter()));
}

QWidget* ContentView::buildToolbox() {
    const auto call = [this](std::function<void()> Callbacks::*member) {
        return [this, member] {
            if (m_callbacks.*member) {
                (m_callbacks.*member)();
            }
        };
    };
    ToolboxOverlayCard::Callbacks callbacks;
    callbacks.onOpenWiFiRadar = call(&Callbacks::onOpenWiFiRadar);
    callbacks.onOpenDiagnosticsExport = call(&Callbacks::onOpenDiagnosticsExport);
    callbacks.onOpenSpeedTest = call(&Callbacks::onOpenSpeedTestWindow);
    callbacks.onOpenChannelScan = call(&Callbacks::onOpenChannelScanWindow);
    callbacks.onOpenConnectionMonitor = [this] {
        showPanel(PanelRoute::connectionMonitor);
    };
    callbacks.onOpenCaptivePortal = [this] {
        showPanel(PanelRoute::captivePortal);
    };
    callbacks.onClose = [this] {
        showPanel(PanelRoute::dashboard);
    };
    return new ToolboxOverlayCard(std::move(callbacks));
}

QWidget* ContentView::buildPage(PanelRoute route) {
    QWidget* content = nullptr;
    switch (route) {
    case PanelRoute::dashboard:
        content = buildDashboard();
        break;
    case PanelRoute::settings:
        content = buildSettings();
        break;
    case PanelRoute::toolbox:
        content = buildToolbox();
        break;
    case PanelRoute::connectionMonitor:
        content = new ConnectionMonitorOverlayCard(connectionMonitorCardModel(m_engine),
                                                   [this] { showPanel(PanelRoute::toolbox); });
        break;
    case PanelRoute::captivePortal:
        content = new CaptivePortalOverlayCard(captivePortalCardModel(m_engine),
                                               [this] { showPanel(PanelRoute::toolbox); });
        break;
    }
    // Padding around the page, transparent over the panel's background.
    auto* padded = new QWidget;
    padded->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(padded);
    layout->setContentsMargins(pagePadding(route));
    layout->addWidget(content);
    m_page = content;
    return padded;
}

DashboardModel ContentView::dashboardModel() const {
    return makeDashboardModel(dashboardInput(m_engine), numberSeparators());
}

void ContentView::refresh() {
    redraw(true);
}

void ContentView::redraw(bool fadeStateChanges) {
    QWidget* page = m_page;
    if (auto* dashboard = dynamic_cast<DashboardPage*>(page)) {
        const DashboardModel model = dashboardModel();
        const std::pair state{model.isMonitoringEnabled, model.healthBadge.text};
        const bool changed = fadeStateChanges && m_drawnState && *m_drawnState != state;
        if (changed)
            m_crossFade->capture();
        dashboard->apply(model);
        fitDashboard();
        m_drawnState = state;
        if (changed)
            m_crossFade->start(stateChangeSpring);
    } else if (auto* connection = dynamic_cast<ConnectionMonitorOverlayCard*>(page)) {
        connection->apply(connectionMonitorCardModel(m_engine));
    } else if (auto* captive = dynamic_cast<CaptivePortalOverlayCard*>(page)) {
        captive->apply(captivePortalCardModel(m_engine));
    } else if (auto* settings = dynamic_cast<SettingsOverlayCard*>(page)) {
        settings->refresh();
    }
}

void ContentView::setMonitoringEnabled(bool enabled) {
    // The stored setting first: it decides what the next launch does.
    m_engine.lifecycleController->settingsStore()->setMonitoringEnabled(enabled);
    if (enabled) {
        m_engine.lifecycleController->startMonitoring();
    } else {
        m_engine.lifecycleController->stopMonitoring();
    }
    m_refresh->schedule();
}

void ContentView::performLocationAction() {
    const LocationPermissionStatus status = m_engine.locationPermissionController->status().get();
    switch (locationAction(status)) {
    case LocationAction::openSettings:
        m_engine.locationPermissionController->settingsOpener()->openLocationSettings();
        break;
    case LocationAction::requestAuthorization:
        m_engine.locationPermissionController->authorizer()->requestWhenInUseAuthorization();
        break;
    case LocationAction::none:
        break;
    }
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        // What changed while off screen is not a change on screen: no fade.
        redraw(false);
        m_router.appear();
    }
}

void ContentView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0, PP::backgroundStart());
    gradient.setColorAt(1, PP::backgroundEnd());
    // Only the rounded shape: outside it the host window is transparent (or
    // cut away by its mask). The border lies on the outermost pixel ring.
    constexpr double radius = 14;
    if (fillRoundedShape(painter, event->region(), rect(), radius, 1, gradient))
        return;
    painter.setPen(QPen(PP::border(), 1));
    painter.drawPath(roundedShape(bounds, radius));
}

} // namespace lumra
