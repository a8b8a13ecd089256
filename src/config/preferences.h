// User preferences and the miscellaneous option: the decode time-out (which also sets the
// library's DecodeTimeout) and the trigger mode (which switches the continuous mode, in which
// the auto-trigger worker re-arms reads without trigger presses).
#ifndef BCREADER_CONFIG_PREFERENCES_H
#define BCREADER_CONFIG_PREFERENCES_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// The SE955's continuous trigger mode.
constexpr int32_t kContinuousModeSE955 = 4;

// Arguments: decode time-out in tenths of a second (below 1 becomes 30), parameter 0x89 (sent
// only together with a trigger mode, 6 when not given), trigger mode. 1, 0 or -253.
int32_t UserPreferences4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                            int32_t *a3);
// Arguments: decode time-out, 0xBF, 0x89 (sent only together with a trigger mode; when not given,
// 2 for the continuous mode and 10 for any other), 0x4E, a5 (only counts as an argument given),
// the library-kept value, trigger mode. 1, 0 or -253.
int32_t UserPreferencesSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                             int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7);

// The SE955's parameter 0x89 that goes with its trigger mode: continuous, or any other.
constexpr int32_t kSE955Param89Continuous = 2;
constexpr int32_t kSE955Param89Triggered = 10;

}  // namespace bcr

#endif  // BCREADER_CONFIG_PREFERENCES_H
