#include "link/transaction.h"

#include "link/frame.h"
#include "link/receiver.h"
#include "link/serial_port.h"
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
  for (int32_t attempt = 0; attempt < attempts; ++attempt) {
    if (!WritePortFrame(link, frame)) continue;
    if (!ReceiveFrame(link, *reply, timeoutMs, kReplyMode)) continue;
    if (reply->Size() <= 4) return 1;
    if (IsNegativeAck(*reply)) continue;
    return 1;
  }
  if (link.bytesRead == before) ++link.unanswered;
  return 0;
}

}  // namespace bcr
