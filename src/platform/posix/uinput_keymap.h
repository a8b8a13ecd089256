// The fixed keys of the virtual keyboard: which Linux key (KEY_* of <linux/input-event-codes.h>)
// stands for a terminal virtual-key code, whatever the layout, and which character the virtual
// key of a character key stands for in the key-stroke style.
//
// Virtual keys of mouse buttons, IME and browser or media functions and OEM codes have no key.
// The lock keys (Caps Lock, Num Lock, Scroll Lock) are left out on purpose: pressing one would
// change the user's keyboard state beyond the text typed.
#ifndef BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H
#define BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H

#include <cstdint>

namespace bcr::platform {

// The key of a virtual-key code, 0 when it has none.
uint16_t KeyOfVirtualKey(uint8_t vk);

// The character the virtual key of a character key (a digit, a letter or a punctuation key)
// stands for, with or without Shift, on the US keyboard the key-stroke style was made for; 0 for
// any other virtual key.
int32_t CharacterOfVirtualKey(uint8_t vk, bool shift);

// The other way round: the key that types ch on a US keyboard, and whether with Shift. False for
// a character that no key of the key-stroke style stands for.
bool UsKeyOfCharacter(int32_t ch, uint16_t *key, bool *shift);

// Every key of a virtual key, without repeats, for declaring the virtual keyboard's keys:
// indexes 0 .. MappedKeyCount() - 1.
uint32_t MappedKeyCount();
uint16_t MappedKeyAt(uint32_t index);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_UINPUT_KEYMAP_H
