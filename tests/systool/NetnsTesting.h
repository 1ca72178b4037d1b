// Helpers shared by the tests that run inside the systool client namespace.
#pragma once

#include "tests/support/Subprocess.h"

#include <chrono>
#include <string>
#include <unistd.h>
#include <vector>

namespace lumra::test {

// The target of a /proc/<pid>/ns/net link, empty when it cannot be read.
inline std::string namespaceOf(const char* path) {
    char target[256] = {};
    const ssize_t length = readlink(path, target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

struct TimedRun {
    ProcessResult result;
    std::chrono::milliseconds took{0};
};

// runProgram, with how long the program took.
inline TimedRun runTimed(const std::string& path, const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout) {
    const auto started = std::chrono::steady_clock::now();
    TimedRun run{runProgram(path, argv, {}, timeout)};
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    return run;
}

// Replaces the run of `allowed` characters after each `marker` with "#".
inline std::string blankAfter(std::string text, const std::string& marker,
                              const std::string& allowed) {
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + marker.size())) {
        const std::size_t from = at + marker.size();
        const std::size_t to = text.find_first_not_of(allowed, from);
        text.replace(from, (to == std::string::npos ? text.size() : to) - from, "#");
    }
    return text;
}

} // namespace lumra::test
