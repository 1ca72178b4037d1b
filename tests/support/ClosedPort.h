// A port on 127.0.0.1 that nothing listens on (bound, read back, released).
#pragma once

#include "base/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra::test {

inline int closedLoopbackPort() {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    fd.reset();
    return ntohs(address.sin_port);
}

} // namespace lumra::test
