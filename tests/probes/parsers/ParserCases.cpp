// Fixture reading and the case-table registry.
#include "tests/probes/parsers/ParserCases.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace lumra {
namespace {

std::vector<CaseTable>& registry() {
    static std::vector<CaseTable> tables;
    return tables;
}

} // namespace

ToolOutput fixture(std::string_view relativePath) {
    const std::string path = std::string(LUMRA_FIXTURES_DIR) + "/" + std::string(relativePath);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("missing fixture " + path);
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    return {std::string(relativePath), contents.str()};
}

ToolOutput inlineOutput(std::string description, std::string text) {
    return {std::move(description), std::move(text)};
}

const std::vector<CaseTable>& caseTables() {
    return registry();
}

CaseTableRegistration::CaseTableRegistration(std::string name, void (*check)()) {
    registry().push_back({std::move(name), check});
}

} // namespace lumra
