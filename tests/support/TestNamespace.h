// True only inside the network namespace the ctest fixture named in
// LUMRA_TEST_NETNS: tests that resolve names, open sockets or change links
// must never reach the machine's own resolver, routes or interfaces.
#pragma once

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace lumra::test {

inline bool insideTestNamespace() {
    const char* name = std::getenv("LUMRA_TEST_NETNS");
    if (name == nullptr || *name == '\0')
        return false;
    struct stat own {};
    struct stat named {};
    const std::string namedPath = std::string("/run/netns/") + name;
    return ::stat("/proc/self/ns/net", &own) == 0 && ::stat(namedPath.c_str(), &named) == 0 &&
           own.st_dev == named.st_dev && own.st_ino == named.st_ino;
}

} // namespace lumra::test
