// The keyboard calls on Linux: the sink is chosen from the environment at the first call and
// kept; every call runs under one lock, so that calls from several threads never interleave.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/keyboard.h"
#include "platform/posix/keyboard_sink.h"
#include "platform/posix/record_sink.h"
#include "platform/record_lines.h"
#include "platform/trace.h"

namespace bcr::platform {

namespace {

enum class Sink { kUnchosen, kNone, kRecord, kUinput };

constexpr const char kUinputPath[] = "/dev/uinput";
constexpr const char kUinputFilePrefix[] = "uinput:";
constexpr const char kSystemKeyboardFile[] = "/etc/default/keyboard";
constexpr const char kFallbackLayout[] = "us";
// A longer pause between keys would keep the application thread typing for minutes.
constexpr uint32_t kMaxKeyDelayMs = 1000;

std::mutex sinkLock;
Sink sink = Sink::kUnchosen;
std::string recordFile;

// The layout of BCREADER_KEYMAP, else of the system's keyboard configuration, else "us". A
// layout that cannot be compiled is reported once, here, and "us" is used instead.
std::unique_ptr<KeyboardLayout> ChooseLayout() {
  LayoutNames names;
  names.layout = kFallbackLayout;
  std::string described = kFallbackLayout;
  bool valid = true;
  const char *keymap = std::getenv("BCREADER_KEYMAP");
  if (keymap != nullptr && *keymap != '\0') {
    described = keymap;
    valid = ParseLayoutName(keymap, &names);
  } else {
    std::ifstream in(kSystemKeyboardFile);
    std::ostringstream text;
    text << in.rdbuf();
    LayoutNames system;
    if (in && ParseKeyboardDefaults(text.str(), &system)) {
      names = system;
      described = names.variant.empty() ? names.layout : names.layout + "(" + names.variant + ")";
    }
  }
  std::unique_ptr<KeyboardLayout> layout;
  if (valid) layout = KeyboardLayout::Compile(names);
  if (layout) return layout;
  if (described != kFallbackLayout) {
    std::fprintf(stderr,
                 "bcreader: keyboard layout \"%s\" cannot be compiled; typing for the \"%s\" "
                 "layout instead\n",
                 described.c_str(), kFallbackLayout);
    LayoutNames fallback;
    fallback.layout = kFallbackLayout;
    layout = KeyboardLayout::Compile(fallback);
  }
  if (!layout) {
    std::fprintf(stderr,
                 "bcreader: no keyboard layout can be compiled (are the xkb-data layouts "
                 "installed?); characters are skipped, only fixed keys are typed\n");
  }
  return layout;
}

// BCREADER_KEY_DELAY_MS in decimal; anything else means no pause.
uint32_t ChooseDelay() {
  const char *text = std::getenv("BCREADER_KEY_DELAY_MS");
  if (text == nullptr || *text < '0' || *text > '9') return 0;
  char *end = nullptr;
  unsigned long ms = std::strtoul(text, &end, 10);
  if (*end != '\0') return 0;
  return ms > kMaxKeyDelayMs ? kMaxKeyDelayMs : static_cast<uint32_t>(ms);
}

// BCREADER_CONTROL_KEYS over the default renderings; each entry that cannot be used is reported
// once, here, on standard error and in the wire trace.
ControlKeys ChooseControlKeys() {
  const char *text = std::getenv("BCREADER_CONTROL_KEYS");
  std::vector<std::string> problems;
  ControlKeys keys = ParseControlKeys(text != nullptr ? text : "", &problems);
  for (const std::string &problem : problems) {
    std::fprintf(stderr, "bcreader: BCREADER_CONTROL_KEYS: %s\n", problem.c_str());
    TraceStep(0, ("keyboard: BCREADER_CONTROL_KEYS: " + problem).c_str());
  }
  return keys;
}

bool OpenUinput(const std::string &file) {
  uinput_sink::Settings settings;
  settings.controls = ChooseControlKeys();
  settings.file = file;
  settings.layout = ChooseLayout();
  settings.delayMs = ChooseDelay();
  return uinput_sink::Open(std::move(settings));
}

// Called with sinkLock held.
void ChooseSink() {
  if (sink != Sink::kUnchosen) return;
  const char *setting = std::getenv("BCREADER_KEYBOARD");
  Sink chosen = Sink::kNone;
  std::string uinputFile;
  const size_t prefixLength = sizeof kUinputFilePrefix - 1;
  if (setting == nullptr || *setting == '\0') {
    if (access(kUinputPath, W_OK) == 0) chosen = Sink::kUinput;
  } else if (std::strcmp(setting, "uinput") == 0) {
    chosen = Sink::kUinput;
  } else if (std::strncmp(setting, kUinputFilePrefix, prefixLength) == 0 &&
             setting[prefixLength] != '\0') {
    uinputFile = setting + prefixLength;
    chosen = Sink::kUinput;
  } else if (!RecordSinkFile(setting).empty()) {
    recordFile = RecordSinkFile(setting);
    chosen = Sink::kRecord;
  }
  if (chosen == Sink::kUinput && !OpenUinput(uinputFile)) chosen = Sink::kNone;
  sink = chosen;
}

}  // namespace

uint32_t KeyboardSkippedCount() {
  return uinput_sink::Skipped();
}

void KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) {
  std::lock_guard<std::mutex> lock(sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, KeybdEventLine(vk, scan, flags));
      break;
    case Sink::kUinput:
      uinput_sink::Key(vk, (flags & kKeyEventKeyUp) != 0);
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
}

void PostKeybdMessage(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                      const uint32_t *chars) {
  if (count != 0 && (shiftStates == nullptr || chars == nullptr)) return;
  std::lock_guard<std::mutex> lock(sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, PostKeybdLine(flags, count, shiftStates, chars));
      break;
    case Sink::kUinput:
      // Every posted character is typed as a whole key press; the key-state words, which on the
      // terminal tell the driver how to report it, have no counterpart here.
      for (uint32_t i = 0; i < count; ++i) uinput_sink::Character(static_cast<int32_t>(chars[i]));
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
}

}  // namespace bcr::platform
