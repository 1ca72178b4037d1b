// The error of a failed nl80211 call: the errno the kernel (or a socket
// call) gave, and its strerror text as the message. Thrown by Nl80211Client.
#pragma once

#include <stdexcept>
#include <string>

namespace lumra {

class WirelessError : public std::runtime_error {
public:
    // errorNumber is a positive errno value.
    explicit WirelessError(int errorNumber);

    int errorNumber() const noexcept { return m_errorNumber; }

    bool operator==(const WirelessError& other) const noexcept {
        return m_errorNumber == other.m_errorNumber;
    }

private:
    int m_errorNumber;
};

// strerror text, safe from any thread.
std::string systemErrorText(int errorNumber);

} // namespace lumra
