#include "panel/viewmodel/PanelRoute.h"

namespace lumra {

double preferredPopoverHeight(PanelRoute route) {
    switch (route) {
    case PanelRoute::settings:
        return 560;
    case PanelRoute::connectionMonitor:
    case PanelRoute::captivePortal:
        return 430;
    case PanelRoute::dashboard:
    case PanelRoute::toolbox:
        break;
    }
    return 650;
}

PanelRoute backDestination(PanelRoute route) {
    switch (route) {
    case PanelRoute::connectionMonitor:
    case PanelRoute::captivePortal:
        return PanelRoute::toolbox;
    case PanelRoute::dashboard:
    case PanelRoute::settings:
    case PanelRoute::toolbox:
        break;
    }
    return PanelRoute::dashboard;
}

void PanelRouter::appear() const {
    if (m_onPreferredHeightChange) {
        m_onPreferredHeightChange(preferredPopoverHeight(m_activePanel));
    }
}

void PanelRouter::showPanel(PanelRoute route) {
    m_activePanel = route;
    appear();
}

} // namespace lumra
