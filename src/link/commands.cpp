#include "link/commands.h"

#include "link/frame.h"
#include "link/link_internals.h"
#include "link/transaction.h"

namespace bcr {

int SetDecoding(EngineLink &link, uint32_t on, uint64_t *replySeq) {
  if (!IsKnownEngine(link.DeviceType())) return 0;
  PortHold hold(link.ExchangeLock(), kExchangeWait);
  if (!hold.Held()) return 0;
  if (replySeq != nullptr) *replySeq = link.Line().FramesRead();
  uint32_t wanted = on != 0 ? 1 : 0;
  if (LinkInternals::Decoding(link) == wanted) return 1;
  WakeEngine(link);
  Bytes frame = wanted ? StartDecodeFrame() : StopDecodeFrame();
  Bytes reply;
  const Exchanged result = Exchange(link, frame, kDecodeCommandTimeout, &reply, 1);
  if (result.status != ReplyStatus::kOk) return 0;
  LinkInternals::Decoding(link) = wanted;
  if (replySeq != nullptr) *replySeq = result.replySeq;
  return 1;
}

}  // namespace bcr
