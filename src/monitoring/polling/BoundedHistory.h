// How every monitor adds a sample to a published history: oldest first, never
// more than cap entries, one notification per sample.
#pragma once

#include "concurrency/Published.h"

#include <cstddef>
#include <vector>

namespace lumra {

template <class T> void appendBounded(std::vector<T>& history, T sample, std::size_t cap) {
    history.push_back(std::move(sample));
    if (history.size() > cap)
        history.erase(history.begin(),
                      history.begin() + static_cast<std::ptrdiff_t>(history.size() - cap));
}

template <class T>
void appendBoundedHistory(Published<std::vector<T>>& history, T sample, std::size_t cap) {
    history.modify(
        [&](std::vector<T>& samples) { appendBounded(samples, std::move(sample), cap); });
}

} // namespace lumra
