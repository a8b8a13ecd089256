#include "link/commands.h"

#include "link/frame.h"
#include "link/transaction.h"

namespace bcr {

namespace {

// The wait for another exchange to end: a parameter exchange of five attempts, with a margin.
constexpr uint32_t kDecodeCommandLockWait = 6000;

}  // namespace

int SetDecoding(EngineLink &link, uint32_t on, uint64_t *replySeq) {
  if (!IsKnownEngine(link.deviceType)) return 0;
  PortHold hold(link.portLock, kDecodeCommandLockWait);
  if (!hold.Held()) return 0;
  if (replySeq != nullptr) *replySeq = link.line.FramesRead();
  uint32_t wanted = on != 0 ? 1 : 0;
  if (link.decoding == wanted) return 1;
  WakeEngine(link);
  WString frame = wanted ? StartDecodeFrame() : StopDecodeFrame();
  WString reply;
  const Exchanged result = Exchange(link, frame, kDecodeCommandTimeout, &reply, 1);
  if (result.status != ReplyStatus::kOk) return 0;
  link.decoding = wanted;
  if (replySeq != nullptr) *replySeq = result.replySeq;
  return 1;
}

}  // namespace bcr
