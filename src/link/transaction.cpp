#include "link/transaction.h"

#include <vector>

#include "link/frame.h"
#include "link/wire_trace.h"
#include "platform/clock.h"

namespace bcr {

void WakeEngine(EngineLink &link) {
  // Nothing to wake while the port is closed to this thread; no pause either.
  if (PortBarred(link.Health())) return;
  link.Port().Write(MakeFrame({0x00}), kWakeWriteTimeout);
  platform::Sleep(kWakePause);
}

namespace {

// Writes the request once the line is free: no frame arriving, no byte waiting to be read. Past
// kLineFreeWait it is written all the same.
Written WriteWhenLineFree(EngineLink &link, const Bytes &frame, uint32_t writeWait) {
  const uint64_t limit = platform::NowMs() + kLineFreeWait;
  for (;;) {
    const uint64_t now = platform::NowMs();
    const uint32_t left = now < limit ? static_cast<uint32_t>(limit - now) : 0;
    link.Line().WaitLineFree(left);
    // Armed right before the write: a frame that began before it answers something else.
    link.Line().ExpectReply();
    const Written written = link.Port().Write(frame, writeWait, left > 0 && link.Line().Running());
    if (written != Written::kInputArriving) return written;
    // The line reader takes the bytes first.
    platform::Sleep(1);
  }
}

}  // namespace

Exchanged Exchange(EngineLink &link, const Bytes &frame, uint32_t timeoutMs, Bytes *reply,
                   int32_t attempts) {
  Exchanged result;
  if (!IsKnownEngine(link.DeviceType()) || attempts <= 0) return result;
  Bytes framed = frame;
  AppendChecksum(framed);
  // Whether every attempt went out and none heard anything: a sign of a lost engine. And whether
  // every attempt heard only input that made no frame: a sign of an engine at another speed.
  bool unheard = true, onlyBroken = true;
  const uint64_t framesBefore = link.Line().FramesRead();
  Bytes units;
  for (int32_t attempt = 0; attempt < attempts; ++attempt) {
    if (WriteWhenLineFree(link, framed, timeoutMs) != Written::kWritten) {
      link.Line().EndReply();
      result.status = PortBarred(link.Health()) ? ReplyStatus::kCancelled : ReplyStatus::kGone;
      unheard = onlyBroken = false;
      continue;
    }
    units.clear();
    result.status = link.Line().WaitReply(timeoutMs, &units, &result.replySeq);
    link.Line().EndReply();
    if (reply != nullptr) *reply = units;
    if (result.status == ReplyStatus::kOk) {
      link.Health().NoteExchange(true, false);
      return result;
    }
    if (result.status == ReplyStatus::kCancelled) return result;
    if (result.status == ReplyStatus::kSilent) {
      TraceNote(link, "no reply");
      onlyBroken = false;
    } else {
      unheard = false;
      if (result.status != ReplyStatus::kBroken && result.status != ReplyStatus::kBadChecksum) {
        onlyBroken = false;
      }
    }
  }
  // A decode that came meanwhile is an answer too: an engine that scans is there.
  if (link.Line().FramesRead() != framesBefore) unheard = false;
  result.unheard = unheard;
  link.Health().NoteExchange(false, unheard);
  if (onlyBroken) link.Health().NoteBrokenExchange();
  return result;
}

bool SendAndWait(EngineLink &link, const Bytes &frame, uint32_t timeoutMs, Bytes *reply,
                 int32_t attempts) {
  return Exchange(link, frame, timeoutMs, reply, attempts).status == ReplyStatus::kOk;
}

Written SendOnly(EngineLink &link, const Bytes &frame, uint32_t waitMs) {
  if (!IsKnownEngine(link.DeviceType())) return Written::kFailed;
  Bytes framed = frame;
  AppendChecksum(framed);
  return link.Port().Write(framed, waitMs);
}

}  // namespace bcr
