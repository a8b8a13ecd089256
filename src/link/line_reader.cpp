#include "link/line_reader.h"

#include <chrono>
#include <string>

#include "link/engine_link.h"
#include "link/frame.h"
#include "link/receiver.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "platform/thread.h"

namespace bcr {

namespace {

// The reader's wait for a frame to begin: Stop wakes it, so it can be long and cost an idle reader
// next to nothing.
constexpr uint32_t kListenSlice = 10000;
// After a port call failed (a gone port fails at once), until the recovery closes it.
constexpr uint32_t kFailedPause = 100;
// Longest wait for the reader thread to end: one frame, its acknowledgements and a slice.
constexpr uint32_t kStopWait = 10000;

}  // namespace

void LineReader::Start() {
  if (running_) return;
  framingErrors_ = 0;
  link_.Port().FramingErrors(&framingErrors_);
  stop_ = false;
  running_ = true;
  thread_ = platform::ThreadCreate(Body, this);
  if (thread_ == nullptr) running_ = false;
}

void LineReader::Stop() {
  if (thread_ == nullptr) return;
  stop_ = true;
  link_.Port().Wake();
  platform::ThreadWait(thread_, kStopWait);
  link_.Port().Wake(false);
  platform::ThreadClose(thread_);
  thread_ = nullptr;
  running_ = false;
  MutexLock lock(mutex_);
  busy_ = false;
  changed_.NotifyAll();
}

void LineReader::Body(void *self) {
  LineReader &reader = *static_cast<LineReader *>(self);
  LineReaderScope scope(reader.link_.Health());
  while (!reader.stop_ && !reader.link_.Health().Aborted()) reader.HandleOne(kListenSlice);
}

void LineReader::HandleOne(uint32_t firstByteWait) {
  LineFrame frame = ReadFrame(link_, firstByteWait);
  if (frame.kind == FrameKind::kQuiet) return;
  if (frame.kind == FrameKind::kFailed) {
    OfferReply(ReplyStatus::kGone, nullptr, 0, ~uint64_t{0});
    // A gone port fails at once; the reader's recovery closes it.
    platform::Sleep(kFailedPause);
    return;
  }
  Handle(frame);
  // Bytes at another speed make framing errors where the port counts them: input that made no
  // frame, whatever the lexer made of it (counted once when the frame broke anyway).
  uint32_t framing = 0;
  if (link_.Port().FramingErrors(&framing) && framing != framingErrors_) {
    framingErrors_ = framing;
    if (frame.kind == FrameKind::kReply || frame.kind == FrameKind::kDecode) {
      link_.Health().NoteBrokenInput();
    }
  }
  link_.Decodes().SetArriving(false);
  // Bytes already read past the frame (a try behind noise reads ahead) are the start of what the
  // engine sends next: the line stays taken until they are handled, or a request would cross a
  // packet the library has begun to read.
  SetBusy(link_.Port().HasReadAhead());
}

void LineReader::Handle(LineFrame &frame) {
  const uint64_t seq = ++frames_;
  uint64_t start;
  {
    MutexLock lock(mutex_);
    start = frameStart_;
  }
  // Noise that a valid frame follows costs nothing but its bytes: the frame is an answer.
  const std::string noise =
      frame.skipped == 0 ? "" : ", behind " + std::to_string(frame.skipped) + " bytes of noise";
  switch (frame.kind) {
    case FrameKind::kReply: {
      link_.Health().NoteFrame();
      const bool nak = IsNegativeAck(frame.units);
      TraceReceivedAs(link_, ((nak ? "NAK" : "reply") + noise).c_str());
      OfferReply(nak ? ReplyStatus::kNak : ReplyStatus::kOk, &frame.units, seq, start);
      return;
    }
    case FrameKind::kDecode: {
      link_.Health().NoteFrame();
      if (!link_.DecodesWanted()) {
        // The reader is switched off: the decode is neither acknowledged nor delivered, now or
        // later.
        TraceReceivedAs(link_, ("decode while the reader is off, dropped" + noise).c_str());
        return;
      }
      TraceReceivedAs(link_, ("decode" + noise).c_str());
      WakeEngine(link_);
      SendOnly(link_, DecodeAckFrame(), kDecodeAckTimeout);
      LineDecode decode;
      decode.units = std::move(frame.units);
      decode.firstByteMs = frame.firstByteMs;
      decode.frameSeq = seq;
      link_.Decodes().Put(std::move(decode));
      MutexLock lock(mutex_);
      if (armed_) ++decodesWhileArmed_;
      changed_.NotifyAll();
      return;
    }
    case FrameKind::kAbandoned:
      // A valid frame follows; the engine is there. Nothing goes to an exchange either.
      TraceReceivedAs(link_, ("decode given up by the engine" + noise).c_str());
      return;
    default: {
      // No frame began anywhere in what came until the line fell quiet: all of it was read away.
      TraceReceivedAs(link_, frame.kind == FrameKind::kBadChecksum ? "bad checksum, noise discarded"
                                                                   : "broken, noise discarded");
      OfferReply(
          frame.kind == FrameKind::kBadChecksum ? ReplyStatus::kBadChecksum : ReplyStatus::kBroken,
          nullptr, seq, start);
      link_.Health().NoteBrokenInput();
      return;
    }
  }
}

void LineReader::OfferReply(ReplyStatus status, std::vector<uint8_t> *units, uint64_t seq,
                            uint64_t start) {
  MutexLock lock(mutex_);
  if (!armed_ || status_ != ReplyStatus::kNone || start <= armedAfter_) {
    if (status == ReplyStatus::kOk || status == ReplyStatus::kNak) {
      TraceNote(link_, "reply that no exchange waits for, dropped");
    }
    return;
  }
  status_ = status;
  if (units != nullptr) reply_ = std::move(*units);
  replySeq_ = seq;
  changed_.NotifyAll();
}

void LineReader::ExpectReply() {
  MutexLock lock(mutex_);
  armed_ = true;
  armedAfter_ = busy_ ? frameStart_ : starts_;
  status_ = ReplyStatus::kNone;
  reply_.clear();
  decodesWhileArmed_ = 0;
}

void LineReader::EndReply() {
  MutexLock lock(mutex_);
  armed_ = false;
}

ReplyStatus LineReader::WaitReply(uint32_t timeoutMs, std::vector<uint8_t> *reply,
                                  uint64_t *frameSeq) {
  uint64_t deadline = platform::NowMs() + timeoutMs;
  uint64_t decodesSeen = 0;
  MutexLock lock(mutex_);
  for (;;) {
    if (status_ != ReplyStatus::kNone) break;
    if (link_.Decodes().Cancelled() || link_.Health().Aborted()) return ReplyStatus::kCancelled;
    const uint64_t now = platform::NowMs();
    if (decodesWhileArmed_ != decodesSeen) {
      // The engine sent a decode first: its reply comes after it.
      decodesSeen = decodesWhileArmed_;
      deadline = now + timeoutMs;
    }
    if (now >= deadline && !busy_) {
      status_ = ReplyStatus::kSilent;
      break;
    }
    if (!running_) {
      // Nobody reads the line: this thread does, until its reply or its deadline.
      lock.Unlock();
      const uint64_t left = deadline > now ? deadline - now : 0;
      HandleOne(static_cast<uint32_t>(left));
      lock.Lock();
      if (status_ == ReplyStatus::kNone && platform::NowMs() >= deadline && !busy_) {
        status_ = ReplyStatus::kSilent;
      }
      continue;
    }
    const uint64_t slice = deadline > now ? deadline - now : 20;
    changed_.WaitFor(mutex_, std::chrono::milliseconds(slice < 20 ? 20 : slice));
  }
  if (reply != nullptr && (status_ == ReplyStatus::kOk || status_ == ReplyStatus::kNak)) {
    *reply = reply_;
  }
  if (frameSeq != nullptr) *frameSeq = replySeq_;
  return status_;
}

bool LineReader::WaitLineFree(uint32_t maxMs) {
  MutexLock lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (busy_) {
    if (changed_.WaitUntil(mutex_, deadline) == std::cv_status::timeout) return !busy_;
  }
  return true;
}

void LineReader::SetBusy(bool busy) {
  MutexLock lock(mutex_);
  if (busy && !busy_) frameStart_ = ++starts_;
  busy_ = busy;
  changed_.NotifyAll();
}

}  // namespace bcr
