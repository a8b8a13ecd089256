#include "core/settings.h"

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

void SetOutputPrefix(const char *text) {
  std::lock_guard<std::mutex> lock(textLock);
  outputPrefix.AssignNarrow(text);
}

void SetOutputSuffix(const char *text) {
  std::lock_guard<std::mutex> lock(textLock);
  outputSuffix.AssignNarrow(text);
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
  int32_t seconds = settings.decodeTimeout;
  return seconds == 0 ? kShortestDecodeWait : static_cast<uint32_t>(seconds) * 1000u;
}

}  // namespace bcr
