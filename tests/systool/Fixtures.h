// Fixture files of the systool tests (tests/fixtures/systool).
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace lumra::test {

inline std::string fixtureText(const std::string& relative) {
    const std::string path = std::string(LUMRA_SYSTOOL_FIXTURES) + "/" + relative;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("missing fixture " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace lumra::test
