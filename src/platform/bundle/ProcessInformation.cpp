#include "platform/bundle/ProcessInformation.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace lumra {

ProcessInformation::ProcessInformation(Environment environment)
    : m_environment(std::move(environment)) {}

ProcessInformation ProcessInformation::current() {
    Environment environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr)
            continue;
        // The first definition wins, as getenv answers.
        environment.emplace(std::string(*entry, static_cast<std::size_t>(equals - *entry)),
                            std::string(equals + 1));
    }
    return ProcessInformation(std::move(environment));
}

void ProcessInformation::setProcessEnvironmentValue(const std::string& name,
                                                    const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), /*overwrite=*/1);
}

std::optional<std::string> ProcessInformation::environmentValue(std::string_view name) const {
    const auto found = m_environment.find(name);
    if (found == m_environment.end())
        return std::nullopt;
    return found->second;
}

} // namespace lumra
