#include "shell/login/LaunchAtLoginController.h"

#include "ShellFakes.h"
#include "concurrency/RunLoop.h"
#include "platform/login/XdgAutostartLoginItem.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumra {
namespace {

namespace fs = std::filesystem;

// The real autostart entry under a temporary XDG_CONFIG_HOME.
class LaunchAtLoginControllerTest : public ::testing::Test {
protected:
    LaunchAtLoginControllerTest() {
        ::setenv("XDG_CONFIG_HOME", (fs::path(home.path()) / "config").c_str(), 1);
        auto entry = XdgAutostartLoginItem::entryFileFor(ProcessInformation::current());
        entryFile = entry.value();
        loginItem = std::make_shared<XdgAutostartLoginItem>(entry, executable);
        controller = LaunchAtLoginController::create(activation, loginItem, opener);
    }
    ~LaunchAtLoginControllerTest() override { ::unsetenv("XDG_CONFIG_HOME"); }

    // Identifies the file's version: a rewrite replaces the inode.
    std::pair<ino_t, std::int64_t> identityOfEntry() const {
        struct stat info {};
        EXPECT_EQ(::stat(entryFile.c_str(), &info), 0);
        return {info.st_ino, info.st_mtim.tv_nsec + info.st_mtim.tv_sec * 1'000'000'000LL};
    }

    VirtualClockRunLoop loop;
    test::TempDir home;
    fs::path executable = fs::path(home.path()) / "Lumra Apps" / "100% lumra";
    fs::path entryFile;
    std::shared_ptr<test::ManualActivationNotifier> activation =
        std::make_shared<test::ManualActivationNotifier>();
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<XdgAutostartLoginItem> loginItem;
    std::shared_ptr<LaunchAtLoginController> controller;
};

TEST_F(LaunchAtLoginControllerTest, EnablingWritesTheEntryAndDisablingRemovesIt) {
    EXPECT_EQ(entryFile, fs::path(home.path()) / "config" / "autostart" / "lumra.desktop");
    EXPECT_FALSE(controller->isEnabled().get());
    EXPECT_TRUE(controller->setEnabled(true).isSuccess());
    EXPECT_TRUE(controller->isEnabled().get());
    EXPECT_FALSE(controller->requiresApproval().get()) << "never needed on Linux";
    EXPECT_TRUE(fs::exists(entryFile));
    std::ifstream in(entryFile);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\nExec=\"" + home.path() + "/Lumra Apps/100%% lumra\"\n"),
              std::string::npos)
        << text;

    EXPECT_TRUE(controller->setEnabled(false).isSuccess());
    EXPECT_FALSE(controller->isEnabled().get());
    EXPECT_FALSE(fs::exists(entryFile));
}

TEST_F(LaunchAtLoginControllerTest, EnablingAgainLeavesTheEntryAsItIs) {
    ASSERT_TRUE(controller->setEnabled(true).isSuccess());
    const auto before = identityOfEntry();
    EXPECT_TRUE(controller->setEnabled(true).isSuccess());
    EXPECT_EQ(identityOfEntry(), before);
    EXPECT_TRUE(controller->isEnabled().get());
}

TEST_F(LaunchAtLoginControllerTest, DisablingWhatIsNotEnabledTouchesNothing) {
    fs::create_directories(entryFile.parent_path());
    EXPECT_TRUE(controller->setEnabled(false).isSuccess());
    EXPECT_TRUE(fs::is_empty(entryFile.parent_path()));
}

TEST_F(LaunchAtLoginControllerTest, AFailingWriteAnswersTheReasonAndShowsTheRealState) {
    // Root writes anywhere, so a regular file where the directory belongs.
    home.write("config/autostart", "a regular file, not a directory");
    const auto result = controller->setEnabled(true);
    ASSERT_FALSE(result.isSuccess());
    const std::string description = result.error()->localizedDescription();
    const std::string prefix = "Failed to update login item: ";
    ASSERT_EQ(description.substr(0, prefix.size()), prefix);
    EXPECT_EQ(description.substr(prefix.size()),
              result.error()->underlyingError().localizedDescription());
    EXPECT_NE(description.find("Not a directory"), std::string::npos) << description;
    EXPECT_EQ(result.error()->errorCase(), LaunchAtLoginError::Case::registrationFailed);
    EXPECT_FALSE(controller->isEnabled().get());
    EXPECT_FALSE(controller->requiresApproval().get());
}

TEST_F(LaunchAtLoginControllerTest, ComingBackToTheApplicationRefreshesTheFlags) {
    ASSERT_TRUE(controller->setEnabled(true).isSuccess());
    fs::remove(entryFile); // the user removed it in the session's settings
    EXPECT_TRUE(controller->isEnabled().get());
    activation->activate();
    EXPECT_TRUE(controller->isEnabled().get()) << "refreshed in a task, after the current work";
    loop.runUntilIdle();
    EXPECT_FALSE(controller->isEnabled().get());

    loginItem->registerLoginItem(); // and put it back
    activation->activate();
    loop.runUntilIdle();
    EXPECT_TRUE(controller->isEnabled().get());
}

TEST_F(LaunchAtLoginControllerTest, TwoControllersKeepTheirOwnFlags) {
    auto other = LaunchAtLoginController::create(activation, loginItem, opener);
    ASSERT_TRUE(controller->setEnabled(true).isSuccess());
    EXPECT_FALSE(other->isEnabled().get());
    activation->activate();
    loop.runUntilIdle();
    EXPECT_TRUE(other->isEnabled().get());
}

TEST_F(LaunchAtLoginControllerTest, ADestroyedControllerIgnoresActivation) {
    ASSERT_EQ(activation->observers.size(), 1u);
    activation->activate(); // queues a refresh for a controller about to go
    std::weak_ptr<LaunchAtLoginController> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(activation->observers.empty()) << "its observer is removed";
    ASSERT_EQ(activation->removed.size(), 1u);
    activation->removed[0](); // a notification already on its way
    loop.runUntilIdle();
}

TEST_F(LaunchAtLoginControllerTest, TheSettingsPageIsAskedForAndFailsQuietly) {
    opener->answer = false;
    controller->openLoginItemsSettings();
    EXPECT_EQ(opener->opened,
              std::vector<std::string>{
                  "x-apple.systempreferences:com.apple.LoginItems-Settings.extension"});
}

} // namespace
} // namespace lumra
