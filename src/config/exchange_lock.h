// Holds the link lock (link/port_lock.h) for the exchanges of an option call, the revision
// request or a reset step, so that they never run into a decode reception: every exchange purges
// the port's input, which would discard a decode in flight, and both would read the other's
// bytes. Guards nest on one thread; only the outermost takes and releases the lock.
//
// The wait is bounded by one decode reception that has just begun (the decode wait) and a
// margin; a decode frame that is still arriving when it runs out extends it until the frame and
// its acknowledgements are done. When the lock does not come, Held() is false and the caller
// fails without sending anything: an exchange never goes ahead unlocked.
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
