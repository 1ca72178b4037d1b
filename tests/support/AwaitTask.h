// Runs one task on the main actor of a virtual-clock loop and returns its result.
#pragma once

#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"

#include <memory>

namespace lumra::test {

template <class T> T awaitTask(VirtualClockRunLoop& loop, Task<T> task) {
    auto holder = std::make_shared<Task<T>>(std::move(task));
    return loop.await(spawn(mainActor(), [holder]() { return std::move(*holder); }));
}

} // namespace lumra::test
