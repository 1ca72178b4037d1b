// Why a speed-test transfer gave no throughput, other than a transport error
// or cancellation (which reach the caller unchanged). Carries no sentence of
// its own: the monitor chooses what the user reads.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace lumra {

class SpeedTestRunnerError final : public std::exception {
public:
    enum class Case {
        invalidRequest,    // the configuration or an endpoint cannot make a request
        invalidResponse,   // a chunk was answered with a status outside 200...299
        noDataTransferred, // every chunk finished, and not one byte was counted
    };

    explicit SpeedTestRunnerError(Case errorCase) noexcept : m_case(errorCase) {}
    static SpeedTestRunnerError invalidRequest() noexcept {
        return SpeedTestRunnerError(Case::invalidRequest);
    }
    static SpeedTestRunnerError invalidResponse() noexcept {
        return SpeedTestRunnerError(Case::invalidResponse);
    }
    static SpeedTestRunnerError noDataTransferred() noexcept {
        return SpeedTestRunnerError(Case::noDataTransferred);
    }

    Case errorCase() const noexcept { return m_case; }
    // The case's name, for logs and test output.
    const char* what() const noexcept override;
    // The platform's generic sentence for an error without text of its own.
    std::string describe() const;

    bool operator==(const SpeedTestRunnerError& other) const noexcept {
        return m_case == other.m_case;
    }

private:
    Case m_case;
};

} // namespace lumra

template <> struct std::hash<lumra::SpeedTestRunnerError> {
    std::size_t operator()(const lumra::SpeedTestRunnerError& error) const noexcept {
        return std::hash<int>{}(static_cast<int>(error.errorCase()));
    }
};
