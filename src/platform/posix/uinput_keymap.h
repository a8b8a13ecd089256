// The key map of the virtual keyboard: which Linux key (KEY_* of <linux/input-event-codes.h>)
// stands for a terminal virtual-key code, and which key, with or without Shift, types a
// character on a US layout.
//
// What has no key on a US layout is not in the map and is skipped by the virtual keyboard:
// characters outside printable ASCII other than backspace, TAB, line feed, carriage return and
// escape; virtual keys of mouse buttons, IME and browser or media functions, OEM codes. The lock
// keys (Caps Lock, Num Lock, Scroll Lock) are left out on purpose: pressing one would change the
// user's keyboard state beyond the text typed.
#ifndef BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H
#define BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H

#include <cstdint>

namespace bcr::platform {

struct CharacterKey {
  uint16_t key = 0;
  bool shift = false;  // typed with Shift held
};

// The key of a virtual-key code, 0 when it has none.
uint16_t KeyOfVirtualKey(uint8_t vk);

// The key that types the character (read as a signed value), false when none does.
bool KeyOfCharacter(int32_t ch, CharacterKey *out);

// Every key the map can produce, without repeats, for declaring the virtual keyboard's keys:
// indexes 0 .. MappedKeyCount() - 1.
uint32_t MappedKeyCount();
uint16_t MappedKeyAt(uint32_t index);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H
