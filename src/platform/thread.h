// Threads of the platform layer: a thread runs one function with one pointer parameter; its
// handle becomes signalled when the function has returned.
//
// Thread rules: ThreadWait may be called from several threads at once; ThreadClose must not
// race with another call on the same handle. A handle is closed exactly once.
//
// Unloading: the library's code must not be unmapped while one of its threads still runs it.
// ThreadClose therefore joins the thread whenever it can: a thread whose function has returned,
// or returns within a short grace period (the usual case at unload: the thread has released
// its done semaphore and is on its way out), is joined, so that when ThreadClose returns no
// instruction of the library runs on it any more. Only a thread still running after the grace
// period is detached; it then frees its own record when its function returns. Such a thread
// must end before the library is unloaded, which the unload protocol guarantees by waiting for
// every thread's done semaphore first.
#ifndef BCREADER_PLATFORM_THREAD_H
#define BCREADER_PLATFORM_THREAD_H

#include <cstdint>

#include "platform/sync.h"

namespace bcr::platform {

struct Thread;  // a thread handle

using ThreadFunction = void (*)(void *parameter);

// How long ThreadClose waits for a running thread to end before it detaches it.
constexpr uint32_t kThreadCloseGraceMs = 1000;

// Starts a thread running function(parameter) at once, with the default stack. Does not block.
// nullptr when the thread cannot be created.
Thread *ThreadCreate(ThreadFunction function, void *parameter);

// Waits up to timeoutMs (0: only looks; kInfinite: without limit) for the thread's function to
// return. A thread waiting for itself times out (or never returns with kInfinite).
WaitResult ThreadWait(Thread *thread, uint32_t timeoutMs);

// Releases the handle: joins the thread if its function has returned or returns within
// kThreadCloseGraceMs (blocking that long at most), else detaches it. Null does nothing.
// A thread closing its own handle is detached at once.
void ThreadClose(Thread *thread);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_THREAD_H
