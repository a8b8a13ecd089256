#include "link/commands.h"

#include "core/scan_engine.h"
#include "link/frame.h"
#include "link/transaction.h"

namespace bcr {

namespace {

// Start and stop decode run inside a synchronous read that holds the port already; this bounds
// the wait of any other caller.
constexpr uint32_t kDecodeCommandLockWait = 1000;

int Command(ScanEngine &engine, uint32_t on, uint32_t enable) {
  if (enable == 0 || engine.active == 0) return 0;
  return static_cast<int>(SetDecoding(engine.link, on) & enable);
}

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

int StartDecode(ScanEngine &engine, uint32_t enable) {
  return Command(engine, 1, enable);
}

int StopDecode(ScanEngine &engine, uint32_t enable) {
  return Command(engine, 0, enable);
}

}  // namespace bcr
