#include "link/commands.h"

#include "link/frame.h"
#include "link/transaction.h"

namespace bcr {

int SetDecoding(EngineLink &link, uint32_t on, uint64_t *replySeq) {
  if (!IsKnownEngine(link.DeviceType())) return 0;
  PortHold hold(link.ExchangeLock(), kExchangeWait);
  if (!hold.Held()) return 0;
  if (replySeq != nullptr) *replySeq = link.Line().FramesRead();
  const bool wanted = on != 0;
  if (link.Decoding() == wanted) return 1;
  WakeEngine(link);
  Bytes reply;
  const Exchanged result = Exchange(link, wanted ? StartDecodeFrame() : StopDecodeFrame(),
                                    kDecodeCommandTimeout, &reply, 1);
  if (result.status != ReplyStatus::kOk) return 0;
  link.NoteDecoding(wanted);
  if (replySeq != nullptr) *replySeq = result.replySeq;
  return 1;
}

}  // namespace bcr
