#include "platform/process/FreedMemory.h"

#include <malloc.h>

namespace lumra {

void returnFreedMemoryToSystem() {
    ::malloc_trim(0);
}

} // namespace lumra
