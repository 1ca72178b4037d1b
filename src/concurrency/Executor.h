// Where work runs. Every resumption of a suspended task is a post to its
// executor; nothing is ever resumed inline on a foreign thread.
#pragma once

#include "concurrency/Job.h"

namespace lumra {

// The scheduling hint of a task; equal values are the same level, as the
// platform's task priorities are.
enum class TaskPriority {
    background = 0,
    utility = 1,
    low = 1,
    medium = 2,
    userInitiated = 3,
    high = 3,
};

class Executor {
public:
    virtual ~Executor() = default;

    // Queues job; never runs it inline. After shutdown the job is dropped.
    virtual void post(Job job, TaskPriority priority = TaskPriority::medium) = 0;

    // Whether the calling thread is one of this executor's threads.
    virtual bool isCurrent() const = 0;
};

} // namespace lumra
