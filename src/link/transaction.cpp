#include "link/transaction.h"

#include "link/frame.h"
#include "link/receiver.h"
#include "link/serial_port.h"
#include "link/wire_trace.h"
#include "platform/clock.h"

namespace bcr {

namespace {

bool IsNegativeAck(const WString &reply) {
  static const uint16_t kNak[] = {0x05, kOpNak, 0x00, 0x00};
  for (uint32_t i = 0; i < 4; ++i) {
    if (reply.Data()[i] != kNak[i]) return false;
  }
  return true;
}

}  // namespace

void WakeEngine(EngineLink &link) {
  // Nothing to wake while the port is closed to this thread; no pause either.
  if (PortBarred(link.health)) return;
  WString wake = MakeFrame({0x00});
  SetPortTimeout(link, kWakeWriteTimeout, 'w');
  WritePortFrame(link, wake);
  platform::Sleep(kWakePause);
}

int SendAndWait(EngineLink &link, WString &frame, uint32_t timeoutMs, WString *reply,
                int32_t attempts) {
  SetPortTimeout(link, timeoutMs, 'w');
  if (!IsKnownEngine(link.deviceType)) return 0;
  AppendChecksum(frame);
  if (reply == nullptr) return WritePortFrame(link, frame);
  if (attempts <= 0) return 0;
  const uint32_t before = link.bytesRead;
  // Whether every attempt went out and none heard anything: a sign of a lost engine.
  bool unheard = true;
  for (int32_t attempt = 0; attempt < attempts; ++attempt) {
    if (!WritePortFrame(link, frame)) {
      unheard = false;
      continue;
    }
    if (!ReceiveFrame(link, *reply, timeoutMs, kReplyMode)) {
      TraceReceivedAs(link, "broken reply");
      if (reply->Size() == 0) {
        TraceNote(link, "no reply");
      } else {
        unheard = false;
      }
      continue;
    }
    unheard = false;
    if (reply->Size() > 4 && IsNegativeAck(*reply)) {
      TraceReceivedAs(link, "NAK");
      continue;
    }
    TraceReceivedAs(link, "reply");
    NoteExchange(link.health, true, false);
    return 1;
  }
  if (link.bytesRead == before) ++link.unanswered;
  NoteExchange(link.health, false, unheard && link.bytesRead == before);
  return 0;
}

}  // namespace bcr
