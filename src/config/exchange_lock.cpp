#include "config/exchange_lock.h"

#include "core/settings.h"
#include "link/transaction.h"

namespace bcr {

ExchangeLock::ExchangeLock(EngineLink &link) : link_(link) {
  const uint32_t wait = DecodeWaitMs() + kCommandTimeout;
  held_ = link_.portLock.Acquire(wait);
}

ExchangeLock::~ExchangeLock() {
  if (held_) link_.portLock.Release();
}

}  // namespace bcr
