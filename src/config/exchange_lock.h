// Holds the link lock for the parameter exchanges of one thread, so that they do not run into a
// decode reception of the continuous trigger modes (which holds the same lock): every exchange
// purges the port's input, which would discard a decode in flight, and both would read the
// other's bytes. Guards nest on one thread; only the outermost takes and releases the lock.
//
// The wait is bounded by one decode reception and a margin. When the lock does not come in that
// time the exchanges go ahead without it, as they would with nobody else on the port.
#ifndef BCREADER_CONFIG_EXCHANGE_LOCK_H
#define BCREADER_CONFIG_EXCHANGE_LOCK_H

#include "link/engine_link.h"

namespace bcr {

class ExchangeLock {
 public:
  explicit ExchangeLock(EngineLink &link);
  ~ExchangeLock();
  ExchangeLock(const ExchangeLock &) = delete;
  ExchangeLock &operator=(const ExchangeLock &) = delete;

 private:
  EngineLink &link_;
  const EngineLink *outer_;  // the link guarded when this guard was made
  bool held_ = false;
};

}  // namespace bcr

#endif  // BCREADER_CONFIG_EXCHANGE_LOCK_H
