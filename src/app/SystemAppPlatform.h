// The real platform of the running application: nl80211, rtnetlink and
// logind, the tools through lumra-systool beside the executable, libcurl,
// the session bus's notification service, the desktop's URL opener and
// activation notifications, and the tray. Main thread.
#pragma once

#include "app/AppPlatform.h"

namespace lumra {

// terminate asks the application to quit.
AppPlatform makeSystemAppPlatform(std::function<void()> terminate);

} // namespace lumra
