// The library's settings: process-wide values that start from fixed defaults each time the
// library is loaded and live in memory only. Exported functions write them on application
// threads while worker threads and the window procedure read them, so each is atomic; the two
// texts are read and replaced whole under a lock.
#ifndef BCREADER_STATE_SETTINGS_H
#define BCREADER_STATE_SETTINGS_H

#include <atomic>
#include <cstdint>
#include <mutex>

#include "util/wstring.h"

namespace bcr {

struct Settings {
  // Notification.
  std::atomic<int32_t> goodReadSound{2};   // index of the good-read sound, 1..9
  std::atomic<int32_t> vibrateEnabled{0};  // vibrate on a good read when not 0
  std::atomic<uint32_t> vibrateUnits{2};   // vibrator on-time in units of 500 ms
  std::atomic<int32_t> ledDuration{0};     // LED on-time in ms, 0 no LED
  // Output.
  std::atomic<int32_t> keyboardOutputMode{0};   // 0 none, 1 characters, 2 key strokes
  std::atomic<int32_t> terminatorPlacement{1};  // 1 after, 2 before, else none
  std::atomic<int32_t> terminatorKey{1};        // 1 CR, 2 TAB, 3 space, 4 comma, 5 semicolon
  std::atomic<int32_t> codeIdEnabled{0};
  std::atomic<int32_t> lengthEnabled{0};
  // Decode wait in whole seconds; 0 means 500 ms.
  std::atomic<int32_t> decodeTimeout{3};
};

// The prefix and suffix of the output record, read and replaced whole under the lock.
struct OutputTexts {
  std::mutex lock;
  WString prefix;
  WString suffix;
};

Settings &CurrentSettings();

// The prefix and suffix of the output record.
WString OutputPrefix();
WString OutputSuffix();
// From zero-terminated text (a replacement that runs out of memory keeps the old text), or taking
// a whole string, which cannot fail.
void SetOutputPrefix(const char *text);
void SetOutputSuffix(const char *text);
void SetOutputPrefix(WString &&text);
void SetOutputSuffix(WString &&text);

// Every setting back to its value at load.
void ResetSettings();

// The longest decode wait: the longest time-out the engine takes (255 tenths) in whole seconds.
constexpr uint32_t kLongestDecodeWaitMs = 25000;

// The wait of one decode reception, in ms: 500 for a time-out of 0, at most kLongestDecodeWaitMs.
uint32_t DecodeWaitMs();

}  // namespace bcr

#endif  // BCREADER_STATE_SETTINGS_H
