// Semaphores on a mutex and a condition variable. A plain POSIX sem_t has no maximum, and the
// library relies on releases past the maximum being refused.
#include "platform/sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace bcr::platform {

struct Semaphore {
  std::mutex mutex;
  std::condition_variable available;
  int32_t count = 0;
  int32_t max = 0;
};

Semaphore *SemaphoreCreate(int32_t count, int32_t max) {
  if (max < 1 || count < 0 || count > max) return nullptr;
  Semaphore *semaphore = new (std::nothrow) Semaphore;
  if (semaphore == nullptr) return nullptr;
  semaphore->count = count;
  semaphore->max = max;
  return semaphore;
}

bool SemaphoreRelease(Semaphore *semaphore, int32_t n, int32_t *previous) {
  if (semaphore == nullptr || n < 1) return false;
  // Notified under the lock: a waiter that takes the count may close the semaphore at once (the
  // last release of a thread before it ends), so nothing may touch it after the unlock.
  std::lock_guard<std::mutex> lock(semaphore->mutex);
  if (n > semaphore->max - semaphore->count) return false;
  if (previous != nullptr) *previous = semaphore->count;
  semaphore->count += n;
  if (n == 1) {
    semaphore->available.notify_one();
  } else {
    semaphore->available.notify_all();
  }
  return true;
}

WaitResult SemaphoreWait(Semaphore *semaphore, uint32_t timeoutMs) {
  if (semaphore == nullptr) return WaitResult::kFailed;
  std::unique_lock<std::mutex> lock(semaphore->mutex);
  auto available = [semaphore] { return semaphore->count > 0; };
  if (timeoutMs == kInfinite) {
    semaphore->available.wait(lock, available);
  } else if (!semaphore->available.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                            available)) {
    return WaitResult::kTimeout;
  }
  --semaphore->count;
  return WaitResult::kSignalled;
}

void SemaphoreClose(Semaphore *semaphore) {
  delete semaphore;
}

}  // namespace bcr::platform
