#include "config/restore.h"

#include <iterator>
#include <utility>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "link/frame.h"
#include "link/transaction.h"
#include "state/scan_engine.h"
#include "state/settings.h"

namespace bcr {

namespace {

constexpr uint8_t kTimeoutParameter = 0x88;
constexpr uint8_t kTriggerModeParameter = 0x8A;

static_assert(kHandlerCount + 1 <= kMaxRestoreFrames);

// Where each engine keeps the decode time-out and the trigger mode among its user preferences.
struct PreferenceArgs {
  int32_t deviceType;
  const ParamHandler *handler;
  uint8_t timeoutArg;
  uint8_t triggerModeArg;
};
const PreferenceArgs kPreferenceArgs[] = {
    {kEngineSE955, &UserPreferences1DParam(), 1, 7},
    {kImager4507, &UserPreferences2DParam(), 1, 3},
};

// The decode time-out and the trigger mode: the values last written or read, the time-out
// otherwise from the library's decode wait.
Bytes PreferencesFrame(const ScanEngine &reader) {
  const int32_t deviceType = reader.DeviceType();
  int32_t timeout = CurrentSettings().decodeTimeout * 10;
  int32_t triggerMode = kUnknownValue;
  for (const PreferenceArgs &row : kPreferenceArgs) {
    if (row.deviceType != deviceType) continue;
    if (int32_t cached = CachedValue(reader, *row.handler, row.timeoutArg);
        cached != kUnknownValue) {
      timeout = cached;
    }
    triggerMode = CachedValue(reader, *row.handler, row.triggerModeArg);
  }
  Bytes pairs;
  if (timeout >= 1 && timeout <= 0xFF) {
    pairs.push_back(kTimeoutParameter);
    pairs.push_back(static_cast<uint8_t>(timeout));
  }
  if (triggerMode >= 0 && triggerMode <= 0xFF) {
    pairs.push_back(kTriggerModeParameter);
    pairs.push_back(static_cast<uint8_t>(triggerMode));
  }
  return !pairs.empty() ? ParamSendFrame(pairs) : Bytes();
}

}  // namespace

uint32_t RestoreFrames(const ScanEngine &reader, Bytes *frames) {
  const int32_t deviceType = reader.DeviceType();
  uint32_t count = 0;
  for (const ParamHandler *handler : AllHandlers()) {
    if (!Serves(handler->serves, deviceType)) continue;
    Bytes frame = BuildWrittenFrame(reader, *handler, {kTimeoutParameter, kTriggerModeParameter});
    if (!frame.empty()) frames[count++] = std::move(frame);
  }
  Bytes preferences = PreferencesFrame(reader);
  if (!preferences.empty()) frames[count++] = std::move(preferences);
  return count;
}

int32_t RestoreSettings(ScanEngine &reader) {
  Bytes frames[kMaxRestoreFrames];
  const uint32_t count = RestoreFrames(reader, frames);
  for (uint32_t i = 0; i < count; ++i) {
    WakeEngine(reader.link);
    Bytes reply;
    if (!SendAndWait(reader.link, frames[i], kCommandTimeout, &reply, kParamAttempts)) return 0;
  }
  return 1;
}

}  // namespace bcr
