// The parts of the Linux keyboard that its sink chooser (keyboard.cpp) and the virtual keyboard
// (keyboard_uinput.cpp) share, and the count of what the keyboard could not type.
#ifndef BCREADER_PLATFORM_POSIX_KEYBOARD_SINK_H
#define BCREADER_PLATFORM_POSIX_KEYBOARD_SINK_H

#include <cstdint>
#include <memory>
#include <string>

#include "platform/posix/keyboard_controls.h"
#include "platform/posix/xkb_layout.h"

namespace bcr::platform {

// Characters the virtual keyboard skipped since the library was loaded because the layout has
// no key for them (nothing else is typed in their place). Any thread; never waits.
uint32_t KeyboardSkippedCount();

namespace uinput_sink {

struct Settings {
  // Empty: a device made through /dev/uinput. Otherwise the file that receives the same
  // input_event records, appended, without the device set-up.
  std::string file;
  std::unique_ptr<KeyboardLayout> layout;  // nullptr: characters are all skipped
  uint32_t delayMs = 0;                    // least time from one typed key to the next
  ControlKeys controls;                    // how the control characters are typed
};

// Makes the virtual keyboard, once per process. False when the device or file cannot be opened.
bool Open(Settings settings);
// A virtual key pressed or released (KeybdEvent).
void Key(uint8_t vk, bool release);
// A character typed as a whole key press, a control character as its rendering (PostKeybdMessage).
void Character(int32_t ch);
uint32_t Skipped();

}  // namespace uinput_sink

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_KEYBOARD_SINK_H
