// Giving freed heap memory back to the system.
//
// A resident program whose allocations come and go (the Tasks grid's
// texts ten times a second, the process table under a churn of short-lived
// processes) leaves freed chunks between live ones. The allocator keeps
// those pages resident, and as the live chunks wander through the heap
// more of its pages get touched: resident memory creeps upward in page
// steps although the memory in use stays flat. Releasing the pages of free
// chunks from time to time keeps the resident size at what is in use.
//
// Any thread; the allocator locks its own arenas. Costs a walk over the
// free chunks (well under a millisecond for a heap of a few megabytes).
#pragma once

namespace platform {

// Returns the whole free pages of every allocator arena to the system.
// True when some memory was given back.
bool release_free_heap();

} // namespace platform
