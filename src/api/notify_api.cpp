#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "notify/beeper.h"
#include "notify/notification_settings.h"

BCR_EXPORT int32_t Beeper(int32_t sound, const char *path) {
  return bcr::api::Guard([&] { return bcr::BeeperResult(sound, path); });
}

BCR_EXPORT int32_t NotificationSettings(int32_t mode, int32_t *sound, int32_t *vibrate,
                                        int32_t *vibrateUnits, int32_t *ledMs) {
  return bcr::api::Guard(
      [&] { return bcr::NotificationSettingsResult(mode, sound, vibrate, vibrateUnits, ledMs); });
}
