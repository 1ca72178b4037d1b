#include "platform/login/XdgAutostartLoginItem.h"

#include "platform/defaults/AtomicFileWriter.h"
#include "platform/login/DesktopEntryExec.h"

#include <cerrno>
#include <cstring>
#include <fmt/format.h>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace lumra {

namespace {

constexpr mode_t entryMode = 0644;
constexpr mode_t directoryMode = 0755;

std::string_view trimmedAscii(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The session skips an entry that is hidden (deleted by the user) or that
// GNOME's startup settings switched off.
bool isSwitchedOff(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    bool inMainGroup = false;
    while (std::getline(in, line)) {
        const std::string_view text = trimmedAscii(line);
        if (!text.empty() && text.front() == '[') {
            inMainGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inMainGroup || equals == std::string_view::npos)
            continue;
        const auto key = trimmedAscii(text.substr(0, equals));
        const auto value = trimmedAscii(text.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return true;
    }
    return false;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(std::optional<std::filesystem::path> entryFile,
                                             std::filesystem::path executable)
    : m_entryFile(std::move(entryFile)), m_executable(std::move(executable)) {}

std::optional<std::filesystem::path>
XdgAutostartLoginItem::entryFileFor(const ProcessInformation& process) {
    std::filesystem::path configHome;
    // The base-directory rules ignore a relative XDG_CONFIG_HOME.
    if (auto xdg = process.environmentValue("XDG_CONFIG_HOME");
        xdg && !xdg->empty() && xdg->front() == '/') {
        configHome = *xdg;
    } else if (auto home = process.environmentValue("HOME");
               home && !home->empty() && home->front() == '/') {
        configHome = std::filesystem::path(*home) / ".config";
    } else {
        return std::nullopt;
    }
    return configHome / "autostart" / "lumra.desktop";
}

std::optional<std::string>
XdgAutostartLoginItem::entryText(const std::filesystem::path& executable) {
    const auto exec = desktopEntryExecValue({executable.string()});
    if (!exec)
        return std::nullopt;
    return fmt::format("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Lumra\n"
                       "Exec={}\n"
                       "Terminal=false\n",
                       *exec);
}

LoginItemStatus XdgAutostartLoginItem::status() const {
    if (!m_entryFile)
        return LoginItemStatus::notFound;
    struct stat info {};
    if (::stat(m_entryFile->c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return LoginItemStatus::notRegistered;
    return isSwitchedOff(*m_entryFile) ? LoginItemStatus::notRegistered : LoginItemStatus::enabled;
}

void XdgAutostartLoginItem::registerLoginItem() {
    if (!m_entryFile)
        throw LoginItemError("No configuration directory is known (HOME is not set).");
    const auto text = entryText(m_executable);
    if (!text)
        throw LoginItemError(
            fmt::format("The application's path cannot be written in an autostart entry: {}",
                        m_executable.string()));
    if (auto failure = createDirectories(m_entryFile->parent_path(), directoryMode))
        throw LoginItemError(*failure);
    if (auto failure = writeFileAtomically(*m_entryFile, *text, entryMode))
        throw LoginItemError(*failure);
}

void XdgAutostartLoginItem::unregisterLoginItem() {
    if (!m_entryFile)
        return;
    // ENOTDIR: a file stands where the directory belongs, so no entry exists.
    if (::unlink(m_entryFile->c_str()) != 0 && errno != ENOENT && errno != ENOTDIR)
        throw LoginItemError(
            fmt::format("cannot remove {}: {}", m_entryFile->string(), std::strerror(errno)));
}

} // namespace lumra
