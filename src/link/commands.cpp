#include "link/commands.h"

#include "link/frame.h"
#include "link/transaction.h"

namespace bcr {

namespace {

// Start and stop decode run inside a synchronous read that holds the port already; this bounds
// the wait of any other caller.
constexpr uint32_t kDecodeCommandLockWait = 1000;

}  // namespace

int SetDecoding(EngineLink &link, uint32_t on) {
  if (!IsKnownEngine(link.deviceType)) return 0;
  PortHold hold(link.portLock, kDecodeCommandLockWait);
  if (!hold.Held()) return 0;
  uint32_t wanted = on != 0 ? 1 : 0;
  int result = 1;
  if (link.decoding != wanted) {
    WakeEngine(link);
    WString frame = wanted ? StartDecodeFrame() : StopDecodeFrame();
    WString reply;
    result = SendAndWait(link, frame, kDecodeCommandTimeout, &reply, 1);
    if (result) link.decoding = wanted;
  }
  return result;
}

}  // namespace bcr
