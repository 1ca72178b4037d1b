// The scanner's own error: there is no Wi-Fi interface to scan with. Other
// scan failures reach callers as the platform's WirelessError.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace lumra {

class WiFiNetworkScannerError final : public std::exception {
public:
    enum class Case { interfaceUnavailable };

    explicit WiFiNetworkScannerError(Case errorCase) noexcept : m_case(errorCase) {}
    static WiFiNetworkScannerError interfaceUnavailable() noexcept {
        return WiFiNetworkScannerError(Case::interfaceUnavailable);
    }

    Case errorCase() const noexcept { return m_case; }
    // The case's name, for logs.
    const char* what() const noexcept override;
    // The platform's generic sentence for an error without text of its own,
    // for callers that put the error into a sentence.
    std::string describe() const;

    bool operator==(const WiFiNetworkScannerError& other) const noexcept {
        return m_case == other.m_case;
    }

private:
    Case m_case;
};

} // namespace lumra

template <> struct std::hash<lumra::WiFiNetworkScannerError> {
    std::size_t operator()(const lumra::WiFiNetworkScannerError& error) const noexcept {
        return std::hash<int>{}(static_cast<int>(error.errorCase()));
    }
};
