#include "concurrency/WhenAll.h"

namespace lumra::detail {

Task<void> joinInOrder(std::vector<TaskCoreBase*> cores) {
    std::exception_ptr first;
    for (std::size_t i = 0; i < cores.size(); ++i) {
        JoinAwaiter join{cores[i]};
        co_await join;
        if (!first && cores[i]->error) {
            first = cores[i]->error;
            for (std::size_t j = i + 1; j < cores.size(); ++j)
                cores[j]->state.cancel();
        }
    }
    if (first)
        std::rethrow_exception(first);
}

} // namespace lumra::detail
