#include "platform/login/XdgAutostartLoginItem.h"

#include "tests/platform/login/DesktopEntryReader.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace lumra {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of key in the entry's text, as written.
std::optional<std::string> valueOf(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return std::nullopt;
}

TEST(XdgAutostartLoginItemTest, FindsTheEntryUnderTheUsersConfigurationDirectory) {
    struct Case {
        ProcessInformation::Environment environment;
        std::optional<fs::path> entry;
    };
    const std::vector<Case> cases = {
        {{{"XDG_CONFIG_HOME", "/x/config"}, {"HOME", "/home/u"}},
         "/x/config/autostart/lumra.desktop"},
        {{{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/home/u"}},
         "/home/u/.config/autostart/lumra.desktop"},
        {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}, "/home/u/.config/autostart/lumra.desktop"},
        {{{"HOME", "/home/u"}}, "/home/u/.config/autostart/lumra.desktop"},
        {{{"HOME", ""}}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XdgAutostartLoginItem::entryFileFor(ProcessInformation(c.environment)), c.entry);
}

class XdgAutostartLoginItemFileTest : public ::testing::Test {
protected:
    test::TempDir home;
    fs::path entry = fs::path(home.path()) / "config" / "autostart" / "lumra.desktop";
    fs::path executable = fs::path(home.path()) / "My Apps 100%" / "lumra";
};

TEST_F(XdgAutostartLoginItemFileTest, RegisteringWritesAnEntryThatStartsTheExecutable) {
    XdgAutostartLoginItem item(entry, executable);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    item.registerLoginItem();
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);

    const std::string text = contentsOf(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_EQ(valueOf(text, "Type"), "Application");
    EXPECT_EQ(valueOf(text, "Name"), "Lumra");
    const auto exec = valueOf(text, "Exec");
    ASSERT_TRUE(exec);
    EXPECT_EQ(*exec, "\"" + home.path() + "/My Apps 100%%/lumra\"");
    EXPECT_EQ(test::readExecValue(*exec), std::vector<std::string>{executable.string()});

    struct stat info {};
    ASSERT_EQ(::stat(entry.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    std::vector<std::string> names;
    for (const auto& file : fs::directory_iterator(entry.parent_path()))
        names.push_back(file.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"lumra.desktop"}) << "no temporary file is left";
}

TEST_F(XdgAutostartLoginItemFileTest, UnregisteringRemovesTheEntryAndToleratesItsAbsence) {
    XdgAutostartLoginItem item(entry, executable);
    item.registerLoginItem();
    item.unregisterLoginItem();
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_NO_THROW(item.unregisterLoginItem());
}

TEST_F(XdgAutostartLoginItemFileTest, AnEntrySwitchedOffBySessionSettingsIsNotEnabled) {
    XdgAutostartLoginItem item(entry, executable);
    for (const std::string extra :
         {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n", "Hidden = true \n"}) {
        home.write("config/autostart/lumra.desktop",
                   "[Desktop Entry]\nType=Application\nExec=lumra\n" + extra);
        EXPECT_EQ(item.status(), LoginItemStatus::notRegistered) << extra;
    }
    // The same keys in another group do not concern the session.
    home.write("config/autostart/lumra.desktop",
               "[Desktop Entry]\nType=Application\nExec=lumra\n[Desktop Action x]\nHidden=true\n");
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    // Registering again replaces a switched-off entry with a working one.
    home.write("config/autostart/lumra.desktop", "[Desktop Entry]\nHidden=true\n");
    item.registerLoginItem();
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
}

TEST_F(XdgAutostartLoginItemFileTest, AFileWhereTheDirectoryBelongsFailsWithTheReason) {
    home.write("config/autostart", "not a directory");
    XdgAutostartLoginItem item(entry, executable);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    try {
        item.registerLoginItem();
        FAIL() << "registering succeeded";
    } catch (const LoginItemError& error) {
        EXPECT_NE(error.localizedDescription().find("Not a directory"), std::string::npos)
            << error.localizedDescription();
    }
    EXPECT_NO_THROW(item.unregisterLoginItem()) << "there is no entry to remove";
}

TEST_F(XdgAutostartLoginItemFileTest,
       ADirectoryWhereTheEntryBelongsIsNotEnabledAndCannotBeRemoved) {
    fs::create_directories(entry);
    XdgAutostartLoginItem item(entry, executable);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_THROW(item.registerLoginItem(), LoginItemError);
    fs::create_directories(entry / "inside");
    EXPECT_THROW(item.unregisterLoginItem(), LoginItemError);
}

TEST_F(XdgAutostartLoginItemFileTest, WithoutAConfigurationDirectoryNothingIsFound) {
    XdgAutostartLoginItem item(std::nullopt, executable);
    EXPECT_EQ(item.status(), LoginItemStatus::notFound);
    EXPECT_THROW(item.registerLoginItem(), LoginItemError);
}

TEST_F(XdgAutostartLoginItemFileTest, AnExecutablePathNoEntryCanHoldIsRefused) {
    XdgAutostartLoginItem item(entry, fs::path(home.path()) / "bell\a" / "lumra");
    EXPECT_THROW(item.registerLoginItem(), LoginItemError);
    EXPECT_FALSE(fs::exists(entry));
}

} // namespace
} // namespace lumra
