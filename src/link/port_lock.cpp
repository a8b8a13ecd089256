#include "link/port_lock.h"

#include <algorithm>
#include <chrono>

namespace bcr {

bool PortLock::Acquire(uint32_t waitMs) {
  MutexLock lock(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == self) {
    ++depth_;
    return true;
  }
  if (cancelled_) return false;
  const uint64_t ticket = nextTicket_++;
  queue_.push_back(ticket);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  bool got = false;
  for (;;) {
    if (cancelled_) break;
    if (depth_ == 0 && queue_.front() == ticket) {
      got = true;
      break;
    }
    if (changed_.WaitUntil(mutex_, deadline) == std::cv_status::timeout &&
        !(depth_ == 0 && queue_.front() == ticket)) {
      break;
    }
  }
  queue_.erase(std::find(queue_.begin(), queue_.end(), ticket));
  if (got) {
    owner_ = self;
    depth_ = 1;
  }
  // The next in line may be this one's successor.
  changed_.NotifyAll();
  return got;
}

void PortLock::Release() {
  MutexLock lock(mutex_);
  if (depth_ == 0 || --depth_ > 0) return;
  owner_ = std::thread::id();
  changed_.NotifyAll();
}

void PortLock::Cancel() {
  MutexLock lock(mutex_);
  cancelled_ = true;
  changed_.NotifyAll();
}

}  // namespace bcr
