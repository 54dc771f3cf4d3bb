#pragma once
// Every heap block the driver takes for a plot or an image comes from here, so
// that the tests can make any one of them fail and watch the driver recover.
// The counters cost nothing when no failure is asked for; the library's
// behaviour and bytes stay the same.
#include <cstddef>
#include <cstdint>

// A block of `bytes` bytes, zero-filled when asked; null when memory is short.
void* MemoryTake(size_t bytes, bool zeroed);
// Gives a block back; null is allowed.
void MemoryRelease(void* block);

// Fault injection: the n-th take from now fails (1 = the next one); 0 = none.
extern int32_t memoryFailureAt;
// Takes so far, and blocks held now (a leak shows as a count that stays up).
extern int32_t memoryTakeCount;
extern int32_t memoryBlocksHeld;
