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
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace bcr {

// How long an exchange waits for the one before it: a parameter exchange of five attempts of a
// second each, with its wake step, and a margin.
constexpr uint32_t kExchangeWait = 6000;

class PortLock {
 public:
  // true when the calling thread holds the lock (again) within waitMs.
  bool Acquire(uint32_t waitMs);
  void Release();
  void Cancel();
  bool Cancelled() const { return cancelled_.load(); }
  // After a cancel, for a link that is opened again.
  void Reopen() { cancelled_ = false; }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id owner_;
  uint32_t depth_ = 0;
  uint64_t nextTicket_ = 0;
  std::deque<uint64_t> queue_;  // tickets of the waiters, in arrival order
  std::atomic<bool> cancelled_{false};
};

// Holds the port for a scope; test with Held().
class PortHold {
 public:
  PortHold(PortLock &lock, uint32_t waitMs) : lock_(lock), held_(lock.Acquire(waitMs)) {}
  ~PortHold() {
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
