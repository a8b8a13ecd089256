#include "state/settings.h"

#include <mutex>

namespace bcr {

// Constructed with the library's other static strings, in their order.
extern WString outputPrefix;
extern WString outputSuffix;

namespace {

Settings settings;
std::mutex textLock;  // guards outputPrefix and outputSuffix

constexpr uint32_t kShortestDecodeWait = 500;

}  // namespace

Settings &CurrentSettings() {
  return settings;
}

WString OutputPrefix() {
  std::lock_guard<std::mutex> lock(textLock);
  return outputPrefix;
}

WString OutputSuffix() {
  std::lock_guard<std::mutex> lock(textLock);
  return outputSuffix;
}

namespace {

// The new text is complete before the lock is taken; the exchange itself cannot fail.
void Replace(WString &target, WString &text) {
  std::lock_guard<std::mutex> lock(textLock);
  target.Swap(text);
}

}  // namespace

void SetOutputPrefix(const char *text) {
  WString units;
  units.AppendNarrow(text);
  Replace(outputPrefix, units);
}

void SetOutputSuffix(const char *text) {
  WString units;
  units.AppendNarrow(text);
  Replace(outputSuffix, units);
}

void SetOutputPrefix(WString &&text) {
  Replace(outputPrefix, text);
}

void SetOutputSuffix(WString &&text) {
  Replace(outputSuffix, text);
}

void ResetSettings() {
  settings.goodReadSound = 2;
  settings.vibrateEnabled = 0;
  settings.vibrateUnits = 2;
  settings.ledDuration = 0;
  settings.keyboardOutputMode = 0;
  settings.terminatorPlacement = 1;
  settings.terminatorKey = 1;
  settings.codeIdEnabled = 0;
  settings.lengthEnabled = 0;
  SetOutputPrefix("");
  SetOutputSuffix("");
  settings.decodeTimeout = 3;
}

uint32_t DecodeWaitMs() {
  const int64_t seconds = settings.decodeTimeout;
  if (seconds <= 0) return kShortestDecodeWait;
  const int64_t ms = seconds * 1000;
  return ms < kLongestDecodeWaitMs ? static_cast<uint32_t>(ms) : kLongestDecodeWaitMs;
}

}  // namespace bcr
