#include "notify/notification_settings.h"

#include <atomic>

#include "state/results.h"
#include "state/settings.h"

namespace bcr {

namespace {

// The vibrator time is unsigned inside and passed as its 32-bit pattern either way.
template <typename T>
void Transfer(int32_t mode, std::atomic<T> &setting, int32_t *value) {
  if (value == nullptr) return;
  if (mode == kModeRead) {
    *value = static_cast<int32_t>(setting.load());
  } else {
    setting = static_cast<T>(*value);
  }
}

}  // namespace

int32_t NotificationSettingsResult(int32_t mode, int32_t *sound, int32_t *vibrate,
                                   int32_t *vibrateUnits, int32_t *ledMs) {
  if (sound == nullptr && vibrate == nullptr && vibrateUnits == nullptr && ledMs == nullptr) {
    return 0;
  }
  if (mode != kModeRead && mode != kModeWrite) return 0;
  Settings &settings = CurrentSettings();
  Transfer(mode, settings.goodReadSound, sound);
  Transfer(mode, settings.vibrateEnabled, vibrate);
  Transfer(mode, settings.vibrateUnits, vibrateUnits);
  Transfer(mode, settings.ledDuration, ledMs);
  return 1;
}

}  // namespace bcr
