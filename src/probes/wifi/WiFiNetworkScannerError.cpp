#include "probes/wifi/WiFiNetworkScannerError.h"

namespace lumra {

const char* WiFiNetworkScannerError::what() const noexcept {
    return "interfaceUnavailable";
}

std::string WiFiNetworkScannerError::describe() const {
    return "The operation couldn\u2019t be completed. (Lumra.WiFiNetworkScannerError error 0.)";
}

} // namespace lumra
