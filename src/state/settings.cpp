#include "state/settings.h"

#include "state/library_globals.h"

namespace bcr {

namespace {

constexpr uint32_t kShortestDecodeWait = 500;

OutputTexts &Texts() {
  return Globals().output;
}

WString Copy(WString OutputTexts::*text) {
  OutputTexts &texts = Texts();
  std::lock_guard<std::mutex> lock(texts.lock);
  return texts.*text;
}

// The new text is complete before the lock is taken; the exchange itself cannot fail.
void Replace(WString OutputTexts::*target, WString &text) {
  OutputTexts &texts = Texts();
  std::lock_guard<std::mutex> lock(texts.lock);
  (texts.*target).Swap(text);
}

void Replace(WString OutputTexts::*target, const char *text) {
  WString units;
  units.AppendNarrow(text);
  Replace(target, units);
}

}  // namespace

Settings &CurrentSettings() {
  return Globals().settings;
}

WString OutputPrefix() {
  return Copy(&OutputTexts::prefix);
}

WString OutputSuffix() {
  return Copy(&OutputTexts::suffix);
}

void SetOutputPrefix(const char *text) {
  Replace(&OutputTexts::prefix, text);
}

void SetOutputSuffix(const char *text) {
  Replace(&OutputTexts::suffix, text);
}

void SetOutputPrefix(WString &&text) {
  Replace(&OutputTexts::prefix, text);
}

void SetOutputSuffix(WString &&text) {
  Replace(&OutputTexts::suffix, text);
}

void ResetSettings() {
  Settings &settings = CurrentSettings();
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
  const int64_t seconds = CurrentSettings().decodeTimeout;
  if (seconds <= 0) return kShortestDecodeWait;
  const int64_t ms = seconds * 1000;
  return ms < kLongestDecodeWaitMs ? static_cast<uint32_t>(ms) : kLongestDecodeWaitMs;
}

}  // namespace bcr
