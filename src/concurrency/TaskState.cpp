#include "concurrency/TaskState.h"

#include <cassert>

namespace lumra {

namespace {

thread_local TaskState* t_currentTask = nullptr;

} // namespace

TaskState* currentTask() noexcept {
    return t_currentTask;
}

CurrentTaskScope::CurrentTaskScope(TaskState* task) noexcept : m_previous(t_currentTask) {
    t_currentTask = task;
}

CurrentTaskScope::~CurrentTaskScope() {
    t_currentTask = m_previous;
}

ResumeTarget ResumeTarget::current(std::coroutine_handle<> h) noexcept {
    assert(t_currentTask != nullptr && "a task frame suspends only inside a task");
    return ResumeTarget{h, t_currentTask};
}

void ResumeTarget::post() const {
    // Copies: the job may run after this target is gone.
    TaskState* target = task;
    std::coroutine_handle<> frame = handle;
    target->executor().post(
        [target, frame] {
            CurrentTaskScope scope(target);
            frame.resume();
        },
        target->priority());
}

} // namespace lumra
