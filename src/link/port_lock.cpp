#include "link/port_lock.h"

#include <algorithm>
#include <chrono>

namespace bcr {

bool PortLock::Acquire(uint32_t waitMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == self) {
    ++depth_;
    return true;
  }
  if (cancelled_) return false;
  const uint64_t ticket = nextTicket_++;
  queue_.push_back(ticket);
  ++waiting_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  bool extended = false;  // the wait ran out while a frame was arriving
  bool got = false;
  for (;;) {
    if (cancelled_) break;
    if (depth_ == 0 && queue_.front() == ticket) {
      got = true;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      if (!frameInFlight_ && !extended) break;
      // A wait that a frame outlasted goes on, for at most kAfterFrameMs, until the holder lets go
      // of the port: done with the frame, it still parses and publishes the decode (a read also
      // stops the engine).
      if (!frameInFlight_) {
        deadline = now + std::chrono::milliseconds(kAfterFrameMs);
        extended = false;
        continue;
      }
      extended = true;
    }
    // A frame in flight ends within the receiver's byte waits; look again then.
    if (frameInFlight_) {
      changed_.wait_for(lock, std::chrono::milliseconds(20));
    } else {
      changed_.wait_until(lock, deadline);
    }
  }
  queue_.erase(std::find(queue_.begin(), queue_.end(), ticket));
  --waiting_;
  if (got) {
    owner_ = self;
    depth_ = 1;
  }
  // The next in line may be this one's successor.
  changed_.notify_all();
  return got;
}

void PortLock::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (depth_ == 0 || --depth_ > 0) return;
  owner_ = std::thread::id();
  frameInFlight_ = false;
  changed_.notify_all();
}

void PortLock::SetFrameInFlight(bool inFlight) {
  std::lock_guard<std::mutex> lock(mutex_);
  frameInFlight_ = inFlight;
  changed_.notify_all();
}

void PortLock::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  changed_.notify_all();
}

}  // namespace bcr
