#include "platform/wireless/WirelessError.h"

#include <system_error>

namespace lumra {

WirelessError::WirelessError(int errorNumber)
    : std::runtime_error(systemErrorText(errorNumber)), m_errorNumber(errorNumber) {}

std::string systemErrorText(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

} // namespace lumra
