// The exchange lock: one exchange with the engine at a time (a request and its reply, start and
// stop decode, each step of the reset; replies carry no tag, so two requests outstanding could not
// be told apart). The line itself belongs to the line reader; receptions do not take this lock.
// Rules:
// - Every wait is bounded, and waiters are served first come, first served. A caller that does
//   not get the lock within its wait fails without touching the port.
// - A thread that holds the lock may take it again (a startup read of many handlers).
// - Cancel (unload) makes every wait give up at once.
#ifndef BCREADER_LINK_PORT_LOCK_H
#define BCREADER_LINK_PORT_LOCK_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>

#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr {

// How long an exchange waits for the one before it: a parameter exchange of five attempts of a
// second each, with its wake step, and a margin.
constexpr uint32_t kExchangeWait = 6000;

class CAPABILITY("port") PortLock {
 public:
  // true when the calling thread holds the lock (again) within waitMs.
  bool Acquire(uint32_t waitMs) TRY_ACQUIRE(true) EXCLUDES(mutex_);
  void Release() RELEASE() EXCLUDES(mutex_);
  void Cancel() EXCLUDES(mutex_);
  bool Cancelled() const { return cancelled_.load(); }
  // After a cancel, for a link that is opened again.
  void Reopen() { cancelled_ = false; }

 private:
  Mutex mutex_;
  CondVar changed_;
  std::thread::id owner_ GUARDED_BY(mutex_);
  uint32_t depth_ GUARDED_BY(mutex_) = 0;
  uint64_t nextTicket_ GUARDED_BY(mutex_) = 0;
  std::deque<uint64_t> queue_ GUARDED_BY(mutex_);  // tickets of the waiters, in arrival order
  std::atomic<bool> cancelled_{false};
};

// Holds the port for a scope; test with Held(). The analysis counts the port as held for the
// whole scope, as it cannot follow the wait's outcome: every holder checks Held() before its
// exchange.
class SCOPED_CAPABILITY PortHold {
 public:
  PortHold(PortLock &lock, uint32_t waitMs) ACQUIRE(lock) NO_THREAD_SAFETY_ANALYSIS
      : lock_(lock),
        held_(lock.Acquire(waitMs)) {}
  ~PortHold() RELEASE() NO_THREAD_SAFETY_ANALYSIS {
    if (held_) lock_.Release();
  }
  PortHold(const PortHold &) = delete;
  PortHold &operator=(const PortHold &) = delete;
  bool Held() const { return held_; }

 private:
  PortLock &lock_;
  bool held_;
};

}  // namespace bcr

#endif  // BCREADER_LINK_PORT_LOCK_H
