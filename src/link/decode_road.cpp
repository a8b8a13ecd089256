#include "link/decode_road.h"

#include <chrono>

#include "platform/clock.h"

namespace bcr {

namespace {

// Decodes kept for a waiter that has not come yet; beyond, the oldest goes.
constexpr size_t kQueueLimit = 32;

}  // namespace

bool DecodeLine::Takes(const LineDecode &decode) const {
  switch (kind) {
    case kAny:
      return true;
    case kAfterTime:
      return decode.firstByteMs >= value;
    case kAfterFrame:
      return decode.frameSeq > value;
    case kPending:
      return false;
  }
  return false;
}

DecodeWait DecodeRoad::Receive(DecodeLine line, uint64_t deadlineMs, LineDecode *out) {
  return Receive(Join(line), line, deadlineMs, out);
}

DecodeRoad::Waiter *DecodeRoad::JoinPending() {
  return Join(DecodeLine::Pending());
}

DecodeWait DecodeRoad::Receive(Waiter *waiter, DecodeLine line, uint64_t deadlineMs,
                               LineDecode *out) {
  SetLine(waiter, line);
  const DecodeWait result = Wait(waiter, deadlineMs, out);
  Leave(waiter);
  return result;
}

DecodeRoad::Waiter *DecodeRoad::Join(DecodeLine line) {
  MutexLock lock(mutex_);
  waiters_.emplace_back(line);
  Waiter *waiter = &waiters_.back();
  // What lies before every line is stale before anyone takes from the queue.
  DiscardStaleLocked();
  DispatchLocked();
  return waiter;
}

void DecodeRoad::SetLine(Waiter *waiter, DecodeLine line) {
  MutexLock lock(mutex_);
  waiter->line_ = line;
  DiscardStaleLocked();
  DispatchLocked();
  changed_.NotifyAll();
}

DecodeWait DecodeRoad::Wait(Waiter *waiter, uint64_t deadlineMs, LineDecode *out) {
  MutexLock lock(mutex_);
  for (;;) {
    if (cancelled_) return DecodeWait::kCancelled;
    if (waiter->filled_) {
      *out = std::move(waiter->decode_);
      waiter->filled_ = false;
      return DecodeWait::kReceived;
    }
    const uint64_t now = platform::NowMs();
    if (now >= deadlineMs && !arriving_) return DecodeWait::kTimedOut;
    changed_.WaitFor(mutex_, std::chrono::milliseconds(now < deadlineMs ? deadlineMs - now : 20));
  }
}

void DecodeRoad::Leave(Waiter *waiter) {
  MutexLock lock(mutex_);
  if (waiter->filled_) queue_.push_front(std::move(waiter->decode_));
  for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
    if (&*it == waiter) {
      waiters_.erase(it);
      break;
    }
  }
  DispatchLocked();
  changed_.NotifyAll();
}

void DecodeRoad::Put(LineDecode decode) {
  MutexLock lock(mutex_);
  queue_.push_back(std::move(decode));
  if (queue_.size() > kQueueLimit) {
    queue_.pop_front();
    ++overflows_;
  }
  DispatchLocked();
  changed_.NotifyAll();
}

void DecodeRoad::SetArriving(bool arriving) {
  MutexLock lock(mutex_);
  arriving_ = arriving;
  changed_.NotifyAll();
}

void DecodeRoad::Cancel() {
  MutexLock lock(mutex_);
  cancelled_ = true;
  changed_.NotifyAll();
}

void DecodeRoad::Reopen() {
  MutexLock lock(mutex_);
  cancelled_ = false;
  queue_.clear();
}

// Hands queued decodes, oldest first, each to the waiter that goes first among those that may take
// it (of equal lines, the one that joined last). A pending waiter holds everything back: what
// comes is likely its own.
void DecodeRoad::DispatchLocked() {
  for (const Waiter &waiter : waiters_) {
    if (!waiter.filled_ && waiter.line_.kind == DecodeLine::kPending) return;
  }
  for (auto decode = queue_.begin(); decode != queue_.end();) {
    Waiter *taker = nullptr;
    for (auto it = waiters_.rbegin(); it != waiters_.rend(); ++it) {
      if (it->filled_ || !it->line_.Takes(*decode)) continue;
      if (taker == nullptr || it->line_.Before(taker->line_)) taker = &*it;
    }
    if (taker == nullptr) {
      ++decode;
      continue;
    }
    taker->decode_ = std::move(*decode);
    taker->filled_ = true;
    decode = queue_.erase(decode);
  }
}

// While a waiter with a drawn line waits, a queued decode that no waiter may take came before
// every line: stale.
void DecodeRoad::DiscardStaleLocked() {
  bool waiting = false;
  for (const Waiter &waiter : waiters_) {
    if (waiter.filled_) continue;
    if (waiter.line_.kind == DecodeLine::kPending) return;
    waiting = true;
  }
  if (!waiting) return;
  for (auto decode = queue_.begin(); decode != queue_.end();) {
    bool taken = false;
    for (const Waiter &waiter : waiters_) {
      if (!waiter.filled_ && waiter.line_.Takes(*decode)) taken = true;
    }
    if (taken) {
      ++decode;
    } else {
      decode = queue_.erase(decode);
      ++stale_;
    }
  }
}

}  // namespace bcr
