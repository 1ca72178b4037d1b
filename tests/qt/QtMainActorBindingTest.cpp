#include "qt/QtMainActorBinding.h"

#include "concurrency/Hops.h"
#include "concurrency/Runtime.h"
#include "concurrency/Spawn.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace lumra {
namespace {

TEST(QtMainActorBindingTest, RunsASpawnedTaskOnTheQtThreadAndResumesItThereAfterABackgroundHop) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    Runtime runtime;
    QtMainActorBinding binding(runtime.mainActor());
    const auto qtThread = std::this_thread::get_id();

    std::vector<bool> checks;
    auto handle = spawn(runtime.mainActor(), [&]() -> Task<void> {
        checks.push_back(std::this_thread::get_id() == qtThread);
        const auto worker = co_await runBlocking(backgroundPool(), TaskPriority::medium,
                                                 [] { return std::this_thread::get_id(); });
        checks.push_back(worker != qtThread);
        checks.push_back(std::this_thread::get_id() == qtThread);
        QCoreApplication::quit();
    });
    // Only a guard against a hang; the task quits long before.
    QTimer::singleShot(10'000, &application, &QCoreApplication::quit);
    QCoreApplication::exec();

    EXPECT_TRUE(handle.isFinished());
    EXPECT_EQ(checks, (std::vector<bool>{true, true, true}));
    runtime.shutdown();
}

} // namespace
} // namespace lumra
