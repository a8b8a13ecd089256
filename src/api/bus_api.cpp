// The C boundary of the bus hooks (include/bcreader_posix.h); no exception crosses it.
#include "api/export.h"
#include "bcreader_posix.h"
#include "platform/bus.h"

namespace {

// How long BcrBusServe waits for the bus to answer about the name.
constexpr uint32_t kServeWaitMs = 5000;

}  // namespace

BCR_EXPORT int BcrBusServe(BcrBusFunction attach, void *context) {
  try {
    switch (bcr::platform::BusServe(attach, context, kServeWaitMs)) {
      case bcr::platform::BusOwner::kOwned:
        return BCR_BUS_OWNED;
      case bcr::platform::BusOwner::kTaken:
        return BCR_BUS_TAKEN;
      case bcr::platform::BusOwner::kNone:
        break;
    }
  } catch (...) {
  }
  return BCR_BUS_NONE;
}

BCR_EXPORT int BcrBusRun(BcrBusFunction fn, void *context) {
  try {
    return fn != nullptr && bcr::platform::BusRun(fn, context) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
