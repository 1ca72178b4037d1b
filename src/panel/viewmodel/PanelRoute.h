// The popover's pages: the dashboard and the four overlay pages that replace
// it.
#pragma once

namespace lumra {

enum class PanelRoute { dashboard, settings, toolbox, connectionMonitor, captivePortal };

} // namespace lumra
