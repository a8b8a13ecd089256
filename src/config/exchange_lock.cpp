#include "config/exchange_lock.h"

#include <algorithm>

#include "core/settings.h"
#include "link/transaction.h"

namespace bcr {

namespace {

// The link whose exchanges the calling thread has guarded; a plain pointer, so it needs no
// destruction when a thread ends or the library is unloaded.
thread_local const EngineLink *guardedLink = nullptr;

}  // namespace

ExchangeLock::ExchangeLock(EngineLink &link) : link_(link), outer_(guardedLink) {
  if (outer_ == &link_) return;
  guardedLink = &link_;
  // In 64 bits, so that the sum can neither wrap nor come to the value that waits for ever.
  const uint64_t sum = uint64_t{DecodeWaitMs()} + kCommandTimeout;
  const uint32_t wait = static_cast<uint32_t>(std::min<uint64_t>(sum, platform::kInfinite - 1));
  // Announced while waiting, so that the next continuous-mode reception leaves the lock to this
  // exchange instead of taking it back at once.
  ++link_.exchangesWaiting;
  held_ = platform::SemaphoreWait(link_.lock, wait) == platform::WaitResult::kSignalled;
  --link_.exchangesWaiting;
}

ExchangeLock::~ExchangeLock() {
  if (outer_ == &link_) return;
  if (held_) platform::SemaphoreRelease(link_.lock, 1);
  guardedLink = outer_;
}

}  // namespace bcr
