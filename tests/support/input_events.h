// The input_event records that BCREADER_KEYBOARD=uinput:<file> appends, read back for tests.
#ifndef BCREADER_TESTS_SUPPORT_INPUT_EVENTS_H
#define BCREADER_TESTS_SUPPORT_INPUT_EVENTS_H

#include <linux/input.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/keyboard_sink.h"

namespace bcr::test {

struct KeyEvent {
  int code;
  int value;    // 1 pressed, 0 released
  uint64_t us;  // the record's time stamp
};

// The key events of the file in order. Each must be followed by its SYN_REPORT; a record out of
// that pattern (or a cut record) comes back as code -1, so that it shows in a comparison.
inline std::vector<KeyEvent> ReadKeyEvents(const std::string &file) {
  std::vector<KeyEvent> keys;
  std::ifstream in(file, std::ios::binary);
  input_event event;
  bool expectSyn = false;
  while (in.read(reinterpret_cast<char *>(&event), sizeof event)) {
    bool syn = event.type == EV_SYN && event.code == SYN_REPORT && event.value == 0;
    if (expectSyn != syn || (!syn && event.type != EV_KEY)) {
      keys.push_back({-1, event.type, 0});
    } else if (!syn) {
      keys.push_back({event.code, event.value,
                      static_cast<uint64_t>(event.input_event_sec) * 1000000u +
                          static_cast<uint64_t>(event.input_event_usec)});
    }
    expectSyn = !syn;
  }
  if (in.gcount() != 0 || expectSyn) keys.push_back({-1, -1, 0});
  return keys;
}

// "+42 +21 -21 -42": each key event as its press (+) or release (-) and its Linux key code.
inline std::string KeyString(const std::vector<KeyEvent> &keys) {
  std::string text;
  for (const KeyEvent &key : keys) {
    if (!text.empty()) text += ' ';
    text += (key.value == 1 ? "+" : key.value == 0 ? "-" : "?") + std::to_string(key.code);
  }
  return text;
}

// The body of a child process that types into the event file for layout (BCREADER_KEYMAP) with
// the given pause; its exit code is the number of characters the keyboard skipped.
[[noreturn]] inline void TypeAndExit(const std::string &file, const char *layout,
                                     const char *delayMs, const std::function<void()> &type) {
  setenv("BCREADER_KEYBOARD", ("uinput:" + file).c_str(), 1);
  setenv("BCREADER_KEYMAP", layout, 1);
  setenv("BCREADER_KEY_DELAY_MS", delayMs, 1);
  unsetenv("BCREADER_CONTROL_KEYS");
  type();
  std::exit(static_cast<int>(platform::KeyboardSkippedCount()));
}

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_INPUT_EVENTS_H
