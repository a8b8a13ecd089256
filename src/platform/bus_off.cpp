// The builds without a bus: Windows, where the system's own broadcast reaches every application,
// and the fuzz build, which runs the core alone.
#include "platform/bus.h"

namespace bcr::platform {

void BusStart(const BusHandlers &) {}
void BusStop() {}
void BusEmitDecode(const BusDecode &) {}
void BusEmitReaderState(uint32_t) {}
void BusEmitDecodeImage() {}

BusOwner BusServe(BusFunction, void *, uint32_t) {
  return BusOwner::kNone;
}

bool BusRun(BusFunction, void *) {
  return false;
}

}  // namespace bcr::platform
