// On a Wayland session a client may not place its own windows, so the
// popover could not sit under the tray icon: with an X server at hand
// (DISPLAY set) and no platform chosen (QT_QPA_PLATFORM unset) the
// application asks for the X11 platform.
#pragma once

#include "platform/bundle/ProcessInformation.h"

#include <optional>
#include <string>

namespace lumra {

// "xcb" when the environment calls for it, else nothing.
std::optional<std::string> preferredQtPlatform(const ProcessInformation& process);

} // namespace lumra
