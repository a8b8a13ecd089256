// Reading and writing the good-read settings: sound index, vibrate enabled, vibrator time in
// 500 ms units, LED time in ms.
#ifndef BCREADER_NOTIFY_NOTIFICATION_SETTINGS_H
#define BCREADER_NOTIFY_NOTIFICATION_SETTINGS_H

#include <cstdint>

namespace bcr {

// Mode 'r' copies each setting whose pointer is not null into it, mode 'w' stores each such
// pointer's value unchecked; both return 1. Any other mode, or four null pointers: nothing, 0.
int32_t NotificationSettingsResult(int32_t mode, int32_t *sound, int32_t *vibrate,
                                   int32_t *vibrateUnits, int32_t *ledMs);

}  // namespace bcr

#endif  // BCREADER_NOTIFY_NOTIFICATION_SETTINGS_H
