// A helper server script (python) started for one test: it prints "ready"
// once it listens and exits when its standard input closes, so it never
// outlives the test even when the test dies.
#pragma once

#include "tests/support/Subprocess.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumra::test {

class ScriptServer {
public:
    // argv[0] is the program's path.
    explicit ScriptServer(const std::vector<std::string>& argv)
        : m_process(argv.front(), argv, ProcessOptions::commanded()) {
        if (m_process.readLine(std::chrono::seconds(20)) != "ready")
            throw std::runtime_error("the helper server did not start: " + argv.back());
    }

private:
    Subprocess m_process;
};

} // namespace lumra::test
