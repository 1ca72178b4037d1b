// What is kept of one output stream of a child: everything up to a limit;
// past it, the first and the last half of the limit, cut at line ends, so a
// tool that floods (duplicate ping replies) costs bounded memory while the
// lines a parser looks for at either end survive. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumra {

class BoundedOutput {
public:
    explicit BoundedOutput(std::size_t limit = SIZE_MAX) : m_limit(limit) {}

    void append(std::string_view bytes);
    // At most the limit, every kept line whole; the stream is empty afterwards.
    std::string take();
    // Whether anything was dropped.
    bool isCut() const noexcept { return m_cut; }

private:
    std::size_t half() const noexcept { return m_limit / 2; }

    std::size_t m_limit;
    std::string m_head;
    // Grows to twice half() before it is trimmed, so trimming stays cheap.
    std::string m_tail;
    bool m_cut = false;
};

} // namespace lumra
