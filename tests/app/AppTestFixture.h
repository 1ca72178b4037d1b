// One composition root over fake platform services and a fresh settings
// directory, on the virtual clock, with the real monitors.
#pragma once

#include "app/AppDelegate.h"
#include "concurrency/RunLoop.h"
#include "tests/app/AppFakes.h"
#include "tests/support/TempDir.h"
#include "tests/support/WidgetTesting.h"

#include <gtest/gtest.h>

namespace lumra::test {

class AppTest : public ::testing::Test {
protected:
    AppTest() { build(); }
    ~AppTest() override {
        if (delegate)
            delegate->shutDown();
        delegate.reset();
        loop.runUntilIdle();
    }

    // A composition root over the same settings directory, as after a
    // restart (the previous one is shut down and released first).
    void build(ProcessInformation::Environment environment = {}) {
        if (delegate) {
            delegate->shutDown();
            delegate.reset();
            loop.runUntilIdle();
        }
        defaults =
            std::make_shared<DefaultsStore>(std::filesystem::path(directory.path()) / "lumra");
        delegate = AppDelegate::create(fakes.make(defaults, std::move(environment)));
    }

    FakeStatusItem& statusItem() { return *fakes.statusItems.back(); }
    MenuBarController& menuBar() { return *delegate->menuBarController(); }

    VirtualClockRunLoop loop;
    TempDir directory;
    FakeAppPlatform fakes;
    std::shared_ptr<DefaultsStore> defaults;
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace lumra::test
