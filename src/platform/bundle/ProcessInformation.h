// The running process's environment as a text-to-text table, read once when
// made; tests make their own. Immutable, so any thread may read it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

class ProcessInformation {
public:
    using Environment = std::map<std::string, std::string, std::less<>>;

    explicit ProcessInformation(Environment environment);

    // A snapshot of the process environment now.
    static ProcessInformation current();

    // Sets a variable of the running process's environment. Only while one
    // thread runs: setenv races every getenv.
    static void setProcessEnvironmentValue(const std::string& name, const std::string& value);

    const Environment& environment() const noexcept { return m_environment; }
    std::optional<std::string> environmentValue(std::string_view name) const;

private:
    Environment m_environment;
};

} // namespace lumra
