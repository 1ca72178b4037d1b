// The popover's pages and how they change, without Qt.
#pragma once

#include "model/TextEnum.h"

#include <functional>

namespace lumra {

enum class PanelRoute { dashboard, settings, toolbox, connectionMonitor, captivePortal };

template <> struct TextEnumTraits<PanelRoute> {
    static constexpr std::array<std::pair<PanelRoute, std::string_view>, 5> cases{{
        {PanelRoute::dashboard, "dashboard"},
        {PanelRoute::settings, "settings"},
        {PanelRoute::toolbox, "toolbox"},
        {PanelRoute::connectionMonitor, "connectionMonitor"},
        {PanelRoute::captivePortal, "captivePortal"},
    }};
};

// Points: dashboard and toolbox 650, settings 560, the two monitor pages 430.
double preferredPopoverHeight(PanelRoute route);

// Where a page's Back button leads: the toolbox and settings pages return to
// the dashboard, the connection monitor and captive portal pages to the
// toolbox. The dashboard has no Back and stays.
PanelRoute backDestination(PanelRoute route);

// The active page. Every change, and every appearance on screen, reports the
// page's preferred height.
class PanelRouter {
public:
    explicit PanelRouter(std::function<void(double)> onPreferredHeightChange,
                         PanelRoute initial = PanelRoute::dashboard)
        : m_activePanel(initial), m_onPreferredHeightChange(std::move(onPreferredHeightChange)) {}

    PanelRoute activePanel() const { return m_activePanel; }

    // The view came on screen: reports the current page's height.
    void appear() const;
    // Switches pages and reports the new page's height.
    void showPanel(PanelRoute route);
    void back() { showPanel(backDestination(m_activePanel)); }

private:
    PanelRoute m_activePanel;
    std::function<void(double)> m_onPreferredHeightChange;
};

} // namespace lumra
