// Holds the exchange lock (link/port_lock.h) for the exchanges of an option call, the revision
// request or a reset step: replies carry no tag, so one request at a time may be outstanding.
// Guards nest on one thread; only the outermost takes and releases the lock. The wait is bounded
// (the decode wait and a margin); when the lock does not come, Held() is false and the caller fails
// without sending anything.
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

  bool Held() const { return held_; }

 private:
  EngineLink &link_;
  bool held_ = false;
};

}  // namespace bcr

#endif  // BCREADER_CONFIG_EXCHANGE_LOCK_H
