#include "config/exchange_lock.h"

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
  const uint32_t wait = DecodeWaitMs() + kCommandTimeout;
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
