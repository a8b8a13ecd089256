#include "decode/output_settings.h"

#include <atomic>
#include <cstdint>
#include <utility>

#include "state/results.h"
#include "state/settings.h"
#include "util/wstring.h"

namespace bcr {

namespace {

// Copies the text's bytes up to and including its zero, at most size - 1 of them, and zeroes the
// last byte of the buffer whatever the length of the text.
void ReadText(const WString &text, char *buffer, int32_t size) {
  if (buffer == nullptr || size < 1) return;
  const uint16_t *units = text.Data();
  uint32_t room = static_cast<uint32_t>(size) - 1;
  for (uint32_t i = 0; i < room && i <= text.Size(); ++i) {
    buffer[i] = static_cast<char>(units[i]);
    if (units[i] == 0) break;
  }
  buffer[size - 1] = '\0';
}

// The text of a caller's buffer: up to its first zero, and for a size above 0 never past its
// size bytes. A size of 0 or below says nothing of the buffer (callers passed any size there
// when it was ignored), so the text then runs to its terminating zero.
WString BoundedText(const char *text, int32_t size) {
  const size_t limit = size > 0 ? static_cast<size_t>(size) : SIZE_MAX;
  WString result;
  for (size_t i = 0; i < limit && text[i] != '\0'; ++i) {
    result.AppendUnit(static_cast<unsigned char>(text[i]));
  }
  return result;
}

}  // namespace

int32_t OutputSettings(int32_t mode, int32_t *keyboardOutput, int32_t *terminatorPlacement,
                       int32_t *terminatorKey, int32_t *codeId, int32_t *length, char *prefix,
                       int32_t prefixSize, char *suffix, int32_t suffixSize) {
  if (keyboardOutput == nullptr && terminatorPlacement == nullptr && terminatorKey == nullptr &&
      codeId == nullptr && length == nullptr && prefix == nullptr && prefixSize == 0 &&
      suffix == nullptr && suffixSize == 0) {
    return 0;
  }
  Settings &settings = CurrentSettings();
  struct Value {
    int32_t *pointer;
    std::atomic<int32_t> &setting;
  };
  const Value values[] = {
      {keyboardOutput, settings.keyboardOutputMode},
      {terminatorPlacement, settings.terminatorPlacement},
      {terminatorKey, settings.terminatorKey},
      {codeId, settings.codeIdEnabled},
      {length, settings.lengthEnabled},
  };
  if (mode == kModeRead) {
    for (const Value &value : values) {
      if (value.pointer != nullptr) *value.pointer = value.setting;
    }
    ReadText(OutputPrefix(), prefix, prefixSize);
    ReadText(OutputSuffix(), suffix, suffixSize);
    return 1;
  }
  if (mode == kModeWrite) {
    // Both texts are taken before anything changes, so a write that runs out of memory has no
    // effect.
    WString prefixText = prefix != nullptr ? BoundedText(prefix, prefixSize) : WString();
    WString suffixText = suffix != nullptr ? BoundedText(suffix, suffixSize) : WString();
    if (prefix != nullptr) SetOutputPrefix(std::move(prefixText));
    if (suffix != nullptr) SetOutputSuffix(std::move(suffixText));
    for (const Value &value : values) {
      if (value.pointer != nullptr) value.setting = *value.pointer;
    }
    return 1;
  }
  return 0;
}

}  // namespace bcr
