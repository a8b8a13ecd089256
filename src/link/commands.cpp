#include "link/commands.h"

#include "core/scan_engine.h"
#include "link/frame.h"
#include "link/transaction.h"

namespace bcr {

namespace {

int Command(ScanEngine &engine, uint32_t on, uint32_t enable) {
  if (enable == 0 || engine.active == 0) return 0;
  return static_cast<int>(SetDecoding(engine.link, on) & enable);
}

}  // namespace

int SetDecoding(EngineLink &link, uint32_t on) {
  if (!IsKnownEngine(link.deviceType)) return 0;
  platform::SemaphoreWait(link.lock, platform::kInfinite);
  uint32_t wanted = on != 0 ? 1 : 0;
  int result = 1;
  if (link.decoding != wanted) {
    WakeEngine(link);
    WString frame = wanted ? StartDecodeFrame() : StopDecodeFrame();
    WString reply;
    result = SendAndWait(link, frame, kDecodeCommandTimeout, &reply, 1);
    if (result) link.decoding = wanted;
  }
  platform::SemaphoreRelease(link.lock, 1);
  return result;
}

int StartDecode(ScanEngine &engine, uint32_t enable) {
  return Command(engine, 1, enable);
}

int StopDecode(ScanEngine &engine, uint32_t enable) {
  return Command(engine, 0, enable);
}

}  // namespace bcr
