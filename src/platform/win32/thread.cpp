// Threads on CreateThread. A thread is "signalled" once its function has returned: an event set
// right after the call, or the thread's own handle once the thread is gone (a thread ended by the
// system at process exit never sets the event).
//
// Unloading: the detach runs inside DllMain, under the loader lock, and a thread cannot finish
// ending while that lock is held (the system tells the loaded DLLs about its end first). Joining
// is therefore impossible there. A thread whose function has returned has only its last few
// instructions in the library left; ThreadClose gives it a short time to leave them, after which
// it is blocked in the system, outside the library, until the unload has finished.
#include "platform/thread.h"

#include <windows.h>

#include <new>

namespace bcr::platform {

namespace {

// How long a thread whose function has returned gets to leave the library's code.
constexpr DWORD kLeaveCodeMs = 50;

}  // namespace

struct Thread {
  ThreadFunction function = nullptr;
  void *parameter = nullptr;
  HANDLE handle = nullptr;
  DWORD id = 0;
  HANDLE returned = nullptr;  // manual-reset event, set when the function has returned
  // Held by the handle's owner and by the thread; the last to let go frees the record.
  LONG references = 2;
};

namespace {

void Free(Thread *thread) {
  CloseHandle(thread->returned);
  delete thread;
}

void Unreference(Thread *thread) {
  if (InterlockedDecrement(&thread->references) == 0) Free(thread);
}

DWORD WINAPI Run(void *argument) {
  Thread *thread = static_cast<Thread *>(argument);
  thread->function(thread->parameter);
  SetEvent(thread->returned);
  Unreference(thread);
  return 0;
}

WaitResult WaitEnded(Thread *thread, DWORD timeoutMs) {
  HANDLE objects[2] = {thread->handle, thread->returned};
  DWORD result = WaitForMultipleObjects(2, objects, FALSE, timeoutMs);
  if (result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1) return WaitResult::kSignalled;
  return result == WAIT_TIMEOUT ? WaitResult::kTimeout : WaitResult::kFailed;
}

}  // namespace

Thread *ThreadCreate(ThreadFunction function, void *parameter) {
  if (function == nullptr) return nullptr;
  Thread *thread = new (std::nothrow) Thread;
  if (thread == nullptr) return nullptr;
  thread->function = function;
  thread->parameter = parameter;
  thread->returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (thread->returned == nullptr) {
    delete thread;
    return nullptr;
  }
  thread->handle = CreateThread(nullptr, 0, Run, thread, 0, &thread->id);
  if (thread->handle == nullptr) {
    Free(thread);
    return nullptr;
  }
  return thread;
}

WaitResult ThreadWait(Thread *thread, uint32_t timeoutMs) {
  if (thread == nullptr) return WaitResult::kFailed;
  return WaitEnded(thread, timeoutMs);
}

void ThreadClose(Thread *thread) {
  if (thread == nullptr) return;
  if (thread->id != GetCurrentThreadId() &&
      WaitEnded(thread, kThreadCloseGraceMs) == WaitResult::kSignalled) {
    // Outside the loader lock this is the join; inside it, the time to leave the library.
    WaitForSingleObject(thread->handle, kLeaveCodeMs);
  }
  CloseHandle(thread->handle);
  Unreference(thread);
}

}  // namespace bcr::platform
