#include "platform/process/FreedMemory.h"

#include <malloc.h>

namespace lumra {

void returnFreedMemoryToSystem() {
    ::malloc_trim(0);
}

void keepLargeBlocksOutOfTheHeap() {
    // The allocator's initial threshold, fixed.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

} // namespace lumra
