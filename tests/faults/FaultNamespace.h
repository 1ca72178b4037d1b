// True only inside the namespace the ctest fixture made for this binary:
// the fault tests resolve names and open sockets, and must never reach the
// machine's own resolver or routes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace lumra::test {

inline bool insideFaultNamespace() {
    const char* name = std::getenv("LUMRA_TEST_NETNS");
    if (name == nullptr || *name == '\0')
        return false;
    struct stat own {};
    struct stat named {};
    const std::string namedPath = std::string("/run/netns/") + name;
    return ::stat("/proc/self/ns/net", &own) == 0 && ::stat(namedPath.c_str(), &named) == 0 &&
           own.st_dev == named.st_dev && own.st_ino == named.st_ino;
}

// Resident set size of this process in KiB.
inline long residentKiB() {
    std::FILE* status = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (status != nullptr) {
        if (std::fscanf(status, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(status);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace lumra::test
