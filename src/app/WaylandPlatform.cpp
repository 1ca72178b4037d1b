#include "app/WaylandPlatform.h"

namespace lumra {

std::optional<std::string> preferredQtPlatform(const ProcessInformation& process) {
    const auto nonEmpty = [&](const char* name) {
        const auto value = process.environmentValue(name);
        return value && !value->empty();
    };
    const bool wayland =
        nonEmpty("WAYLAND_DISPLAY") || process.environmentValue("XDG_SESSION_TYPE") == "wayland";
    if (wayland && nonEmpty("DISPLAY") && !nonEmpty("QT_QPA_PLATFORM"))
        return "xcb";
    return std::nullopt;
}

} // namespace lumra
