// The allocator keeps memory that was freed (in every thread's arena) for
// later use; after a burst such as a speed test or a window that closed,
// little of it is ever needed again.
#pragma once

namespace lumra {

// Hands the free pages of every arena back to the system. A few
// milliseconds; call it after a burst, not on a timer.
void returnFreedMemoryToSystem();

// Large blocks (a speed test's transfer buffers) get pages of their own,
// returned as soon as they are freed. By default the allocator raises that
// size after the first such block is freed and from then on keeps them in
// its heaps. Call once at start-up.
void keepLargeBlocksOutOfTheHeap();

} // namespace lumra
