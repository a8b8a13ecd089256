// Counting semaphores of the platform layer: a count that waits take one from and releases add
// to, never above the maximum fixed at creation. Unnamed; they live in the creating process.
//
// Thread rules: any thread may wait on or release a semaphore at any time, several at once.
// SemaphoreClose must not race with a wait or a release on the same handle, with one exception
// the thread protocols rely on: a thread that has just taken a count may close the semaphore
// even while the release that gave it is still returning.
// Errors: a failed call returns false (or nullptr); no error code is kept.
#ifndef BCREADER_PLATFORM_SYNC_H
#define BCREADER_PLATFORM_SYNC_H

#include <cstdint>

namespace bcr::platform {

struct Semaphore;  // a semaphore handle

// The time-out that never expires.
constexpr uint32_t kInfinite = 0xFFFFFFFF;

// Outcome of a wait on a semaphore or a thread.
enum class WaitResult {
  kSignalled,  // the object was signalled (for a semaphore: one count taken)
  kTimeout,    // the time-out passed first
  kFailed,     // null handle
};

// Creates a semaphore holding count (0 <= count <= max, max >= 1). Does not block.
// nullptr for counts out of range or when memory runs out.
Semaphore *SemaphoreCreate(int32_t count, int32_t max);

// Adds n (>= 1) to the count and wakes as many waiters. Does not block. A release that would
// take the count past the maximum fails and changes nothing. *previous (when not null) receives
// the count before the release, on success only.
bool SemaphoreRelease(Semaphore *semaphore, int32_t n = 1, int32_t *previous = nullptr);

// Takes one count, waiting up to timeoutMs (0: only tries; kInfinite: without limit) for the
// count to become non-zero. Waiters are not served in any particular order.
WaitResult SemaphoreWait(Semaphore *semaphore, uint32_t timeoutMs);

// Frees the semaphore. Null is allowed and does nothing.
void SemaphoreClose(Semaphore *semaphore);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_SYNC_H
