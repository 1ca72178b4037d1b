// The popover's whole content, built once by the menu-bar controller with
// the objects it observes, its first page and the controller's callbacks.
// It shows one page at a time (each built afresh when it is shown), redraws
// once per burst of published changes while on screen, and reports each page's preferred
// height when it comes on screen and on every page change. Main thread.
#pragma once

#include "panel/viewmodel/DashboardModel.h"
#include "panel/viewmodel/PanelRoute.h"
#include "shell/services/Engine.h"
#include "shell/services/PlatformServices.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QScrollArea;

namespace lumra {

class CrossFade;

class DeferredRefresh;

class ContentView final : public QWidget {
public:
    // What the view calls; each returns nothing and never fails.
    struct Callbacks {
        std::function<void(double)> onPreferredPopoverHeightChange;
        std::function<void()> onOpenWiFiRadar;
        std::function<void()> onOpenSpeedTestWindow;
        std::function<void()> onOpenChannelScanWindow;
        std::function<void()> onOpenDiagnosticsExport;
        std::function<void()> onQuit;
    };

    // services makes the settings page's own launch-at-login controller.
    ContentView(Engine engine, PanelRoute activePanel, Callbacks callbacks,
                PlatformServices services, QWidget* parent = nullptr);
    ~ContentView() override;

    PanelRoute activePanel() const { return m_router.activePanel(); }
    // The only way pages change; reports the new page's height.
    void showPanel(PanelRoute route);
    // The page on screen (a DashboardPage, ToolboxOverlayCard, ...).
    QWidget* currentPage() const { return m_page; }
    // Redraws now from the observed objects (the deferred refresh calls it).
    void refresh();
    // The dashboard's model of the objects' current values.
    DashboardModel dashboardModel() const;
    // What fades out over the page after a change of page, of the monitoring
    // flag or of the health state.
    CrossFade* crossFade() const { return m_crossFade; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lets the dashboard fit its rows into the scroll view's height.
    void fitDashboard();
    // Redraws from the observed objects; a new monitoring flag or health
    // state fades in when asked.
    void redraw(bool fadeStateChanges);
    QWidget* buildPage(PanelRoute route);
    QWidget* buildDashboard();
    QWidget* buildSettings();
    QWidget* buildToolbox();
    void setPage(QWidget* padded);
    void setMonitoringEnabled(bool enabled);
    void performLocationAction();

    const Engine m_engine;
    Callbacks m_callbacks;
    PlatformServices m_services;
    PanelRouter m_router;
    QScrollArea* m_scroll;
    QWidget* m_page = nullptr;
    DeferredRefresh* m_refresh;
    CrossFade* m_crossFade;
    // The monitoring flag and health badge the dashboard drew last.
    std::optional<std::pair<bool, std::string>> m_drawnState;
};

} // namespace lumra
