// Ownership of the serial port, the link lock. Whatever reads or writes the port holds it:
// - a decode reception, for its whole wait (in every trigger mode), so that no other call reads
//   its bytes or purges a decode in flight;
// - a synchronous read, from before its start decode to after its stop decode;
// - start and stop decode;
// - every parameter exchange, the revision request and each step of the reset.
// Rules:
// - Every wait is bounded, and waiters are served first come, first served. A caller that does
//   not get the port within its wait fails without touching the port.
// - While the holder is inside a decode frame (its first byte has come), the waits of the others
//   are extended until the frame, its continuation packets and its acknowledgements are done;
//   the receiver's own waits bound that time (a few ms per byte, 500 ms between packets, a cap
//   on the decode length), so every wait stays bounded.
// - A thread that holds the port may take it again (the synchronous read's start decode).
// - Cancel (unload) makes every wait give up at once, and a listening reception stop within one
//   listening slice.
#ifndef BCREADER_LINK_PORT_LOCK_H
#define BCREADER_LINK_PORT_LOCK_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace bcr {

class PortLock {
 public:
  // How long a wait that a frame outlasted goes on after the frame, for the holder to let go.
  static constexpr uint32_t kAfterFrameMs = 500;

  // true when the calling thread holds the port (again) within waitMs.
  bool Acquire(uint32_t waitMs);
  void Release();
  // Someone is waiting for the port.
  bool OthersWaiting() const { return waiting_.load() > 0; }
  // Marks the holder as inside a decode frame, or no longer.
  void SetFrameInFlight(bool inFlight);
  void Cancel();
  bool Cancelled() const { return cancelled_.load(); }
  // After a cancel, for a link that is opened again.
  void Reopen() { cancelled_ = false; }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id owner_;
  uint32_t depth_ = 0;
  bool frameInFlight_ = false;
  uint64_t nextTicket_ = 0;
  std::deque<uint64_t> queue_;  // tickets of the waiters, in arrival order
  std::atomic<uint32_t> waiting_{0};
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
