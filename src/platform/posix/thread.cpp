// Threads on pthreads. The signalled state is a flag set after the function returns, because a
// pthread can be joined only once and not with a time-out that leaves it joinable.
#include "platform/thread.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace bcr::platform {

struct Thread {
  ThreadFunction function = nullptr;
  void *parameter = nullptr;
  pthread_t id{};
  std::mutex mutex;
  std::condition_variable ended;
  bool returned = false;  // the function has returned
  bool detached = false;  // the handle was closed while it ran: the thread frees the record
};

namespace {

void *Run(void *argument) {
  Thread *thread = static_cast<Thread *>(argument);
  thread->function(thread->parameter);
  bool freeRecord;
  {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->returned = true;
    freeRecord = thread->detached;
    thread->ended.notify_all();
  }
  if (freeRecord) delete thread;
  return nullptr;
}

}  // namespace

Thread *ThreadCreate(ThreadFunction function, void *parameter) {
  if (function == nullptr) return nullptr;
  Thread *thread = new (std::nothrow) Thread;
  if (thread == nullptr) return nullptr;
  thread->function = function;
  thread->parameter = parameter;
  if (pthread_create(&thread->id, nullptr, Run, thread) != 0) {
    delete thread;
    return nullptr;
  }
  return thread;
}

WaitResult ThreadWait(Thread *thread, uint32_t timeoutMs) {
  if (thread == nullptr) return WaitResult::kFailed;
  std::unique_lock<std::mutex> lock(thread->mutex);
  auto returned = [thread] { return thread->returned; };
  if (timeoutMs == kInfinite) {
    thread->ended.wait(lock, returned);
  } else if (!thread->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), returned)) {
    return WaitResult::kTimeout;
  }
  return WaitResult::kSignalled;
}

void ThreadClose(Thread *thread) {
  if (thread == nullptr) return;
  std::unique_lock<std::mutex> lock(thread->mutex);
  bool self = pthread_equal(thread->id, pthread_self()) != 0;
  if (self || !thread->ended.wait_for(lock, std::chrono::milliseconds(kThreadCloseGraceMs),
                                      [thread] { return thread->returned; })) {
    // Decided under the lock, so the thread either sees the flag and frees the record, or has
    // already set returned (excluded above).
    thread->detached = true;
    pthread_detach(thread->id);
    return;
  }
  lock.unlock();
  // The function has returned; the join waits for the few instructions after it, so that the
  // thread has left the library's code when the handle is gone.
  pthread_join(thread->id, nullptr);
  delete thread;
}

}  // namespace bcr::platform
