#include "config/exchange_lock.h"

#include <algorithm>

#include "link/transaction.h"
#include "platform/sync.h"
#include "state/settings.h"

namespace bcr {

ExchangeLock::ExchangeLock(EngineLink &link) : link_(link) {
  // In 64 bits, so that the sum can neither wrap nor come to the value that waits for ever.
  const uint64_t sum = uint64_t{DecodeWaitMs()} + kCommandTimeout;
  const uint32_t wait = static_cast<uint32_t>(std::min<uint64_t>(sum, platform::kInfinite - 1));
  held_ = link_.portLock.Acquire(wait);
}

ExchangeLock::~ExchangeLock() {
  if (held_) link_.portLock.Release();
}

}  // namespace bcr
