// The road of the decodes from the line to whoever waits for one. The engine sends decodes on its
// own (the user's scan key, or a start decode); the line reader puts each one here the moment it
// has come whole and been acknowledged, and each goes to exactly one waiter:
// - a trigger press takes the first decode that began to arrive after the press;
// - a synchronous read takes the first decode that began after its start decode was answered
//   (its line is pending until then: nothing is handed to an older waiter meanwhile, so that a
//   read's own decode cannot go to a press waiting since before);
// - a continuous-mode reception takes any decode.
// Of several waiters that may take a decode, a synchronous read goes first (it asked the engine
// for this decode), then a press, then a continuous reception; of the same kind, the one whose
// line was drawn last. A decode no waiter may take stays queued; a waiter whose line lies after
// it discards it as stale.
#ifndef BCREADER_LINK_DECODE_ROAD_H
#define BCREADER_LINK_DECODE_ROAD_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <vector>

#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr {

// A decode as it came off the line: the engine code type byte and the data, one byte each.
struct LineDecode {
  std::vector<uint8_t> units;
  uint64_t firstByteMs = 0;  // when its first byte arrived
  uint64_t frameSeq = 0;     // its place among the frames the line reader has read
};

// Where a waiter draws the line between stale and fresh decodes.
struct DecodeLine {
  enum Kind { kAny, kAfterTime, kAfterFrame, kPending };  // in rising precedence
  Kind kind = kAny;
  uint64_t value = 0;
  uint64_t drawnMs = 0;  // when the line lies, on the platform clock: the later, the nearer

  static DecodeLine Any() { return {kAny, 0, 0}; }
  static DecodeLine AfterTime(uint64_t ms) { return {kAfterTime, ms, ms}; }
  // After the frame of that place, read at about drawnMs.
  static DecodeLine AfterFrame(uint64_t seq, uint64_t drawnMs) {
    return {kAfterFrame, seq, drawnMs};
  }
  static DecodeLine Pending() { return {kPending, 0, 0}; }
  bool Takes(const LineDecode &decode) const;
  // Whether this line goes before the other for a decode both may take.
  bool Before(const DecodeLine &other) const {
    return kind != other.kind ? kind > other.kind : drawnMs > other.drawnMs;
  }
};

enum class DecodeWait { kReceived, kTimedOut, kCancelled };

class DecodeRoad {
 public:
  class Waiter;

  // One decode for a waiter with that line, until deadlineMs (platform clock) passes or the road
  // is cancelled.
  DecodeWait Receive(DecodeLine line, uint64_t deadlineMs, LineDecode *out) EXCLUDES(mutex_);

  // A waiter whose line is pending (a read before its start decode is answered): joined first,
  // then given its line and its wait by Receive, or let go by Leave.
  Waiter *JoinPending() EXCLUDES(mutex_);
  DecodeWait Receive(Waiter *pending, DecodeLine line, uint64_t deadlineMs, LineDecode *out)
      EXCLUDES(mutex_);
  void Leave(Waiter *waiter) EXCLUDES(mutex_);

  // From the line reader: a decode has come whole.
  void Put(LineDecode decode) EXCLUDES(mutex_);
  // From the line reader: a decode is arriving, or no longer. A wait that runs out meanwhile goes
  // on until the decode is whole (or broken): the engine began it within the wait.
  void SetArriving(bool arriving) EXCLUDES(mutex_);

  // Unload: every wait ends at once, now and later (until Reopen).
  void Cancel() EXCLUDES(mutex_);
  void Reopen() EXCLUDES(mutex_);
  bool Cancelled() const { return cancelled_.load(); }

  // Decodes discarded as stale, and decodes the queue had no room for.
  uint32_t StaleDiscards() const { return stale_.load(); }
  uint32_t Overflows() const { return overflows_.load(); }

 private:
  Waiter *Join(DecodeLine line) EXCLUDES(mutex_);
  void SetLine(Waiter *waiter, DecodeLine line) EXCLUDES(mutex_);
  DecodeWait Wait(Waiter *waiter, uint64_t deadlineMs, LineDecode *out) EXCLUDES(mutex_);
  void DispatchLocked() REQUIRES(mutex_);
  void DiscardStaleLocked() REQUIRES(mutex_);

  Mutex mutex_;
  CondVar changed_;
  std::deque<LineDecode> queue_ GUARDED_BY(mutex_);
  // In the order they joined; their lines and decodes are the road's, under its mutex too.
  std::list<Waiter> waiters_ GUARDED_BY(mutex_);
  std::atomic<bool> cancelled_{false};
  bool arriving_ GUARDED_BY(mutex_) = false;
  std::atomic<uint32_t> stale_{0};
  std::atomic<uint32_t> overflows_{0};
};

class DecodeRoad::Waiter {
 public:
  explicit Waiter(DecodeLine line) : line_(line) {}

 private:
  friend class DecodeRoad;
  DecodeLine line_;
  bool filled_ = false;
  LineDecode decode_;
};

}  // namespace bcr

#endif  // BCREADER_LINK_DECODE_ROAD_H
