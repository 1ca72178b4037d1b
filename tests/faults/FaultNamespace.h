// What the fault tests share: the namespace check (they resolve names and
// open sockets, and must never reach the machine's own resolver or routes)
// and their memory figure.
#pragma once

#include "tests/support/TestNamespace.h"

#include <cstdio>
#include <unistd.h>

namespace lumra::test {

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
