// Keyboard input of the platform layer: key events and posted characters that reach the window
// with the keyboard focus, as if the user had typed them.
//
// On Linux the calls go to the sink that $BCREADER_KEYBOARD names, read when the keyboard is
// first used in the process and kept for its life:
// - "record:<file>": one line per call appended to <file>, numbers in decimal:
//   "keybd_event <vk> <scan> <flags>" and "post <flags> <c1>,...,<cn> <s1>,...,<sn>" (the
//   characters signed, the key-state words unsigned);
// - "none": nothing is sent;
// - "uinput": a virtual keyboard made through /dev/uinput types real key events;
// - "uinput:<file>": the same input_event records (key events, each followed by its
//   SYN_REPORT) are appended to <file> instead, without the device set-up.
// The virtual keyboard types characters for the layout $BCREADER_KEYMAP names ("de",
// "us(intl)"), else the system's (/etc/default/keyboard), else "us"; a character the layout has
// no key for is skipped and counted, never replaced by another. A posted control character
// (0x00 to 0x1F) is typed as keyboards type it: Backspace, Tab, Enter and Escape press their keys,
// the others Control with a key through the layout (0x1D Control and ']', NUL Control and '2'),
// each as $BCREADER_CONTROL_KEYS may choose instead. Virtual keys of keys (Enter, Tab,
// the function keys) press their fixed keys; the virtual keys of character keys stand for the
// characters they type on a US keyboard and are typed through the layout. $BCREADER_KEY_DELAY_MS
// spaces the typed keys.
// Unset, the sink is "uinput" when /dev/uinput is writable and "none" otherwise; an unknown
// value, or a virtual keyboard that cannot be made, also means "none".
//
// Thread rules: any thread; calls from several threads are serialised, one call's events never
// interleave with another's.
// Errors: none reported; input that cannot be delivered is dropped.
#ifndef BCREADER_PLATFORM_KEYBOARD_H
#define BCREADER_PLATFORM_KEYBOARD_H

#include <cstdint>

namespace bcr::platform {

// Flags of KeybdEvent.
constexpr uint32_t kKeyEventKeyUp = 0x2;   // release instead of press
constexpr uint32_t kKeyEventSilent = 0x4;  // no key click

// Presses or releases one virtual key. The scan code is passed on as given; sinks that type
// through the virtual key alone ignore it, and no sink produces a key click.
void KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags);

// Posts count characters to the focused window (virtual key 0), with one key-state word per
// character. Characters are 32-bit values as the caller widened them; a negative one (read as
// int32_t) has no key anywhere. Null arrays with a non-zero count post nothing.
void PostKeybdMessage(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                      const uint32_t *chars);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_KEYBOARD_H
