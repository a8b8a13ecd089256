#include "link/identify.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "link/frame.h"
#include "link/port_lock.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "platform/clock.h"

namespace bcr {

namespace {

// The port changes hands only when no exchange holds it for long.
constexpr uint32_t kReopenLockWait = 500;

constexpr uint32_t kImagerStartPause = 3000;  // the imager needs this long before it answers
constexpr int32_t kProbeAttempts = 3;
constexpr int32_t kCommandAttempts = 5;
constexpr uint8_t kSpeedParameter = 0x9C;

struct SpeedCodeRow {
  uint32_t speed;
  uint8_t code;
};
const SpeedCodeRow kSpeedCodes[] = {{38400, 0x08}, {115200, 0x0B}};
constexpr uint8_t kOtherSpeedCode = 0x06;

// How the engine-kind character of the system library is followed.
enum class KindPath { SE955, Imager, None, Probe };

KindPath PathOf(char kind) {
  switch (kind) {
    case '1':
    case '2':
      return KindPath::SE955;
    case '3':
      return KindPath::Imager;
    case '4':
    case '5':
      return KindPath::None;
    default:
      return KindPath::Probe;
  }
}

uint32_t WorkingSpeed(int32_t type) {
  if (type == kImager4507) return kImagerSpeed;
  if (type == kEngineSE955) return kSE955Speed;
  return 0;
}

// The revision text's last offset (inclusive) in the reply, per engine.
uint32_t RevisionEnd(int32_t type) {
  return type == kImager4507 ? 19 : 11;
}

bool AskRevision(EngineLink &link, int32_t attempts, Bytes &reply) {
  WakeEngine(link);
  Bytes request = RevisionRequestFrame();
  return SendAndWait(link, request, kCommandTimeout, &reply, attempts);
}

}  // namespace

uint8_t SpeedCode(uint32_t speed) {
  for (const SpeedCodeRow &row : kSpeedCodes) {
    if (row.speed == speed) return row.code;
  }
  return kOtherSpeedCode;
}

bool RevisionReplyFits(int32_t type, const Bytes &reply) {
  if (type == kImager4507) {
    static const uint8_t kMark[] = {'P', 'A', 'A', 'A', 'A'};
    return reply.size() > 4 && std::search(reply.begin() + 4, reply.end(), std::begin(kMark),
                                           std::end(kMark)) != reply.end();
  }
  if (type == kEngineSE955) {
    if (reply.size() < 17) return false;
    const uint8_t byte15 = reply[15];
    return byte15 == 0x98 || byte15 == 0x99;
  }
  return false;
}

int IdentifyEngine(EngineLink &link, GetSysInfoEntry getSysInfo, bool *probed) {
  link.SetDeviceType(kNoEngine);
  if (probed != nullptr) *probed = false;
  unsigned char block[kSysInfoSize];
  std::memset(block, 0, sizeof block);
  if (getSysInfo == nullptr || getSysInfo(block) != 0) return 0;
  char kind = static_cast<char>(block[kEngineKindOffset]);
  if (link.PortNumber() != kEnginePort) return 0;
  switch (PathOf(kind)) {
    case KindPath::SE955:
      link.SetDeviceType(kEngineSE955);
      return NegotiateSpeed(link);
    case KindPath::Imager:
      platform::Sleep(kImagerStartPause);
      link.SetDeviceType(kImager4507);
      return NegotiateSpeed(link);
    case KindPath::None:
      return 0;
    case KindPath::Probe:
      link.SetDeviceType(kEngineSE955);
      if (NegotiateSpeed(link)) {
        if (probed != nullptr) *probed = true;
        return 1;
      }
      platform::Sleep(kImagerStartPause);
      link.SetDeviceType(kImager4507);
      return NegotiateSpeed(link);
  }
  return 0;
}

Opened OpenAndReach(EngineLink &link, Reach reach, GetSysInfoEntry getSysInfo, SettleWait wait,
                    void *context, bool *probed) {
  {
    // Held only while the port changes hands: the exchanges that follow take it themselves.
    PortHold hold(link.ExchangeLock(), kReopenLockWait);
    if (!hold.Held()) return Opened::kBusy;
    link.Close();
    link.ForgetDecoding();
    link.SetPortNumber(kEnginePort);
    if (!link.Open()) return Opened::kNoPort;
  }
  if (!wait(context, kSettlePause)) return Opened::kCutShort;
  const int reached =
      reach == Reach::kIdentify ? IdentifyEngine(link, getSysInfo, probed) : NegotiateSpeed(link);
  return reached ? Opened::kReached : Opened::kNotReached;
}

int NegotiateSpeed(EngineLink &link) {
  uint32_t working = WorkingSpeed(link.DeviceType());
  if (working == 0) return 0;
  if (ProbeEngine(link, working)) return 1;
  if (!ProbeEngine(link, kFallbackSpeed)) return 0;
  // An engine that refuses the change stays at 9600, and so does the port.
  if (!SwitchEngineSpeed(link, working)) return 1;
  link.Port().SetSpeed(working);
  return 1;
}

int ProbeEngine(EngineLink &link, uint32_t speed) {
  if (!link.Port().SetSpeed(speed)) return 0;
  Bytes reply;
  if (!AskRevision(link, kProbeAttempts, reply)) return 0;
  int32_t type = link.DeviceType();
  if (!IsKnownEngine(type) || !RevisionReplyFits(type, reply)) return 0;
  link.SetDeviceType(type);
  return 1;
}

int SwitchEngineSpeed(EngineLink &link, uint32_t speed) {
  if (!IsKnownEngine(link.DeviceType())) return 0;
  WakeEngine(link);
  Bytes frame = ParamSendFrame(MakeFrame({kSpeedParameter, SpeedCode(speed)}));
  Bytes reply;
  // The engine answers at its old speed; the caller moves the port afterwards.
  return SendAndWait(link, frame, kCommandTimeout, &reply, kCommandAttempts) ? 1 : 0;
}

int RequestRevision(EngineLink &link, int32_t type, WString &out) {
  out.AssignNarrow("");
  if (!IsKnownEngine(type)) return 0;
  Bytes reply;
  // A decode that the engine sent on its own at that moment is no revision.
  if (!AskRevision(link, kCommandAttempts, reply) || reply.size() < 2 ||
      reply[1] == kOpDecodeData) {
    return 0;
  }
  for (uint32_t i = 4; i < reply.size() && i <= RevisionEnd(type); ++i) out.AppendUnit(reply[i]);
  return 1;
}

}  // namespace bcr
