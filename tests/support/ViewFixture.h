// The frame of the view tests: a virtual clock driving the main actor, then
// the queued Qt work (redraws, deferred deletes) after each step.
#pragma once

#include "concurrency/RunLoop.h"
#include "tests/support/WidgetTesting.h"

#include <QString>
#include <QWidget>
#include <chrono>
#include <gtest/gtest.h>

namespace lumra::test {

class VirtualClockViewTest : public ::testing::Test {
protected:
    // Runs the main actor and the background work, then the queued redraws.
    void settle() {
        loop.runUntilIdle();
        processQueuedEvents();
    }
    void advance(std::chrono::milliseconds duration) {
        loop.advanceBy(duration);
        processQueuedEvents();
    }

    VirtualClockRunLoop loop;
};

// The child of root with this object name; a failure of the test when none.
template <class T> T* namedChild(const QWidget* root, const char* name) {
    auto* found = root->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

} // namespace lumra::test
