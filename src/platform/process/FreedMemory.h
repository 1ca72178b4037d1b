// The allocator keeps memory that was freed (in every thread's arena) for
// later use; after a burst such as a speed test or a window that closed,
// little of it is ever needed again.
#pragma once

namespace lumra {

// Hands the free pages of every arena back to the system. A few
// milliseconds; call it after a burst, not on a timer.
void returnFreedMemoryToSystem();

} // namespace lumra
