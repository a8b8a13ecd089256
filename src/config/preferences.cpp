#include "config/preferences.h"

#include "config/handlers.h"
#include "config/option_function.h"
#include "config/param_handler.h"
#include "state/scan_engine.h"
#include "state/settings.h"

namespace bcr {

namespace {

constexpr int32_t kDefaultTimeoutTenths = 30;
constexpr int32_t kDefault4507Param89 = 6;

// The time-out a write sends: below 1 it is replaced by 3 s.
int32_t TimeoutToSend(const int32_t *tenths) {
  if (tenths == nullptr) return 0;
  return *tenths < 1 ? kDefaultTimeoutTenths : *tenths;
}

// Only for a write that is not refused: the caller's variable takes the replaced value, and the
// library's decode wait follows in whole seconds.
void ApplyTimeout(int32_t *tenths) {
  if (tenths == nullptr) return;
  *tenths = TimeoutToSend(tenths);
  CurrentSettings().decodeTimeout = *tenths / 10;
}

}  // namespace

int32_t UserPreferences4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                            int32_t *a3) {
  int32_t check = CheckOptionCall(reader, kImager4507, {a1, a2, a3});
  if (check != 1) return check;
  if (mode == kModeRead) return CallHandler(UserPreferences2DParam(), reader, mode, {a1, a2, a3});
  if (mode != kModeWrite) return 0;
  // 0x89 travels only with a trigger mode; otherwise 0 is what the write compares and sends.
  int32_t param89 = 0;
  if (a3 != nullptr) param89 = a2 != nullptr ? *a2 : kDefault4507Param89;
  int32_t timeout = TimeoutToSend(a1);
  if (!WriteAccepted(UserPreferences2DParam(), reader,
                     {a1 != nullptr ? &timeout : nullptr, &param89, a3})) {
    return 0;
  }
  ApplyTimeout(a1);
  int32_t result = CallHandler(UserPreferences2DParam(), reader, mode, {a1, &param89, a3});
  if (result != 1 || a3 == nullptr) return result;
  reader.ReportModeChanged();
  return result;
}

int32_t UserPreferencesSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                             int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7) {
  int32_t check = CheckOptionCall(reader, kEngineSE955, {a1, a2, a3, a4, a5, a6, a7});
  if (check != 1) return check;
  if (mode == kModeRead) {
    return CallHandler(UserPreferences1DParam(), reader, mode, {a1, a2, a3, a4, nullptr, a6, a7});
  }
  if (mode != kModeWrite) return 0;
  int32_t param89 = 0;
  if (a7 != nullptr) {
    if (a3 != nullptr) {
      param89 = *a3;
    } else {
      param89 = *a7 == kContinuousModeSE955 ? kSE955Param89Continuous : kSE955Param89Triggered;
    }
  }
  // Every value is checked before anything changes: a refused write leaves the decode wait,
  // the continuous mode and the library-kept value as they were.
  int32_t timeout = TimeoutToSend(a1);
  if (!WriteAccepted(UserPreferences1DParam(), reader,
                     {a1 != nullptr ? &timeout : nullptr, a2, &param89, a4, nullptr, a6, a7})) {
    return 0;
  }
  ApplyTimeout(a1);
  int32_t result =
      CallHandler(UserPreferences1DParam(), reader, mode, {a1, a2, &param89, a4, nullptr, a6, a7});
  if (result != 1 || a7 == nullptr) return result;
  reader.ReportModeChanged();
  return result;
}

}  // namespace bcr
