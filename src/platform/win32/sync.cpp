// Semaphores as the system's own: a Win32 semaphore refuses a release past its maximum, as the
// library needs. The handle is the Semaphore pointer.
#include "platform/sync.h"

#include <windows.h>

namespace bcr::platform {

namespace {

HANDLE ToHandle(Semaphore *semaphore) {
  return static_cast<HANDLE>(semaphore);
}

}  // namespace

Semaphore *SemaphoreCreate(int32_t count, int32_t max) {
  if (max < 1 || count < 0 || count > max) return nullptr;
  return static_cast<Semaphore *>(CreateSemaphoreW(nullptr, count, max, nullptr));
}

bool SemaphoreRelease(Semaphore *semaphore, int32_t n, int32_t *previous) {
  if (semaphore == nullptr || n < 1) return false;
  LONG before = 0;
  if (!ReleaseSemaphore(ToHandle(semaphore), n, &before)) return false;
  if (previous != nullptr) *previous = before;
  return true;
}

WaitResult SemaphoreWait(Semaphore *semaphore, uint32_t timeoutMs) {
  if (semaphore == nullptr) return WaitResult::kFailed;
  switch (WaitForSingleObject(ToHandle(semaphore), timeoutMs)) {
    case WAIT_OBJECT_0:
      return WaitResult::kSignalled;
    case WAIT_TIMEOUT:
      return WaitResult::kTimeout;
    default:
      return WaitResult::kFailed;
  }
}

void SemaphoreClose(Semaphore *semaphore) {
  if (semaphore != nullptr) CloseHandle(ToHandle(semaphore));
}

}  // namespace bcr::platform
