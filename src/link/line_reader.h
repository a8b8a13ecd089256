// The one reader of the engine's line. It reads frame after frame and hands each to whoever it
// belongs to, as a modem's command port does with replies and unsolicited messages:
// - a reply goes to the exchange waiting for it (nobody waiting: traced and dropped);
// - a decode is acknowledged (wake step, then 04 D0 04 00) and put on the decode road;
// - noise and broken frames are read away until the line is quiet, traced and dropped; they end
//   the attempt of an exchange waiting for its reply.
// Nothing is purged: a decode that comes while an exchange runs is delivered like any other.
//
// The reader runs on a thread of its own from Start (after the port opened) to Stop (before it
// closes). Without it (a link used on one thread), an exchange reads the line itself while it
// waits, with the same handling.
//
// The line is busy from the first byte of a frame to its end, and for a decode until its last
// acknowledgement is written: an exchange writes its request only while the line is free, so that
// it never cuts into a decode the engine is sending packet by packet.
#ifndef BCREADER_LINK_LINE_READER_H
#define BCREADER_LINK_LINE_READER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/link_health.h"
#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr::platform {
struct Thread;
}

namespace bcr {

class EngineLink;
struct LineFrame;

// How an exchange's attempt ended.
enum class ReplyStatus {
  kNone,         // still waiting
  kOk,           // a reply
  kNak,          // the engine's negative acknowledgement
  kSilent,       // nothing came within the wait
  kBroken,       // only noise or a broken frame came
  kBadChecksum,  // a whole frame with a wrong checksum came
  kGone,         // the port failed (hung up, unplugged)
  kCancelled,    // unload
};

class LineReader {
 public:
  explicit LineReader(EngineLink &link) : link_(link) {}
  ~LineReader() { Stop(); }
  LineReader(const LineReader &) = delete;
  LineReader &operator=(const LineReader &) = delete;

  // Starts the thread that reads the line, unless it runs. Without it (no thread could be
  // started) an exchange reads the line itself.
  void Start();
  // Ends the thread within one frame; the port stays open.
  void Stop() EXCLUDES(mutex_);
  bool Running() const { return running_.load(); }

  // One exchange at a time: arm before the request is written, wait, end.
  void ExpectReply() EXCLUDES(mutex_);
  // Waits for the reply until timeoutMs has passed since the call (a frame still arriving then is
  // waited out; a decode that came meanwhile restarts the wait). *reply receives it on kOk/kNak.
  ReplyStatus WaitReply(uint32_t timeoutMs, std::vector<uint8_t> *reply, uint64_t *frameSeq)
      EXCLUDES(mutex_);
  void EndReply() EXCLUDES(mutex_);

  // Waits up to maxMs for the line to be free; false when it was not.
  bool WaitLineFree(uint32_t maxMs) EXCLUDES(mutex_);
  void SetBusy(bool busy) EXCLUDES(mutex_);

  // Frames read so far (noise and broken frames included).
  uint64_t FramesRead() const { return frames_.load(); }

  // Reads and handles one frame on the calling thread; what the thread does in a loop.
  void HandleOne(uint32_t firstByteWait) EXCLUDES(mutex_);

 private:
  static void Body(void *self);
  void Handle(LineFrame &frame) EXCLUDES(mutex_);
  void OfferReply(ReplyStatus status, std::vector<uint8_t> *units, uint64_t seq, uint64_t start)
      EXCLUDES(mutex_);

  EngineLink &link_;
  platform::Thread *thread_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> frames_{0};
  uint32_t framingErrors_ = 0;  // the port's count when last looked at (the reader's own)

  Mutex mutex_;
  CondVar changed_;
  bool busy_ GUARDED_BY(mutex_) = false;
  uint64_t starts_ GUARDED_BY(mutex_) = 0;      // frames begun so far
  uint64_t frameStart_ GUARDED_BY(mutex_) = 0;  // the number of the frame being read
  uint64_t armedAfter_ GUARDED_BY(mutex_) = 0;  // frames begun before the exchange armed
  bool armed_ GUARDED_BY(mutex_) = false;
  ReplyStatus status_ GUARDED_BY(mutex_) = ReplyStatus::kNone;
  std::vector<uint8_t> reply_ GUARDED_BY(mutex_);
  uint64_t replySeq_ GUARDED_BY(mutex_) = 0;
  uint64_t decodesWhileArmed_ GUARDED_BY(mutex_) = 0;
};

}  // namespace bcr

#endif  // BCREADER_LINK_LINE_READER_H
