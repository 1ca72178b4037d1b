#include "probes/speedtest/SpeedTestRunnerError.h"

#include <fmt/format.h>

namespace lumra {

const char* SpeedTestRunnerError::what() const noexcept {
    switch (m_case) {
    case Case::invalidRequest:
        return "invalidRequest";
    case Case::invalidResponse:
        return "invalidResponse";
    case Case::noDataTransferred:
        return "noDataTransferred";
    }
    return "invalidRequest";
}

std::string SpeedTestRunnerError::describe() const {
    return fmt::format(
        "The operation couldn\u2019t be completed. (Lumra.SpeedTestRunnerError error {}.)",
        static_cast<int>(m_case));
}

} // namespace lumra
