// The login item as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/
// lumra.desktop (~/.config when the variable is unset or not absolute),
// which desktop sessions start at login. Registering writes the entry
// atomically; unregistering removes it. No approval is ever needed. Blocking
// file I/O on the calling (main) thread: one small file.
#pragma once

#include "platform/bundle/ProcessInformation.h"
#include "platform/login/LoginItemRegistering.h"

#include <filesystem>
#include <optional>

namespace lumra {

class XdgAutostartLoginItem final : public LoginItemRegistering {
public:
    // entryFile absent: no configuration directory is known, so the item
    // cannot be found or registered.
    XdgAutostartLoginItem(std::optional<std::filesystem::path> entryFile,
                          std::filesystem::path executable);

    // The entry of this user, from the environment's XDG_CONFIG_HOME or HOME.
    static std::optional<std::filesystem::path> entryFileFor(const ProcessInformation& process);
    // The entry's full text for the executable; absent when the path cannot
    // be written in a desktop entry.
    static std::optional<std::string> entryText(const std::filesystem::path& executable);

    LoginItemStatus status() const override;
    void registerLoginItem() override;
    void unregisterLoginItem() override;

    const std::optional<std::filesystem::path>& entryFile() const noexcept { return m_entryFile; }

private:
    std::optional<std::filesystem::path> m_entryFile;
    std::filesystem::path m_executable;
};

} // namespace lumra
