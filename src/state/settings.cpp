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
  // The values at load are those Settings starts from; each is copied as one atomic store.
  static_assert(sizeof(Settings) == 10 * sizeof(int32_t), "a new setting is reset here too");
  const Settings loaded;
  Settings &settings = CurrentSettings();
  settings.goodReadSound = loaded.goodReadSound.load();
  settings.vibrateEnabled = loaded.vibrateEnabled.load();
  settings.vibrateUnits = loaded.vibrateUnits.load();
  settings.ledDuration = loaded.ledDuration.load();
  settings.keyboardOutputMode = loaded.keyboardOutputMode.load();
  settings.terminatorPlacement = loaded.terminatorPlacement.load();
  settings.terminatorKey = loaded.terminatorKey.load();
  settings.codeIdEnabled = loaded.codeIdEnabled.load();
  settings.lengthEnabled = loaded.lengthEnabled.load();
  SetOutputPrefix("");
  SetOutputSuffix("");
  settings.decodeTimeout = loaded.decodeTimeout.load();
}

uint32_t DecodeWaitMs() {
  const int64_t seconds = CurrentSettings().decodeTimeout;
  if (seconds <= 0) return kShortestDecodeWait;
  const int64_t ms = seconds * 1000;
  return ms < kLongestDecodeWaitMs ? static_cast<uint32_t>(ms) : kLongestDecodeWaitMs;
}

}  // namespace bcr
