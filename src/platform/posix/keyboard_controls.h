// How the virtual keyboard types the control characters (0x00 to 0x1F) that the character style
// posts: by default as the keys and chords keyboards type them with (Control and the key of ']'
// for the group separator 0x1D, Escape for 0x1B), or as $BCREADER_CONTROL_KEYS chooses, per
// character, a key with modifiers, a text or nothing:
//   BCREADER_CONTROL_KEYS='1D=text:<GS>,1E=none,1C=key:ctrl+backslash'
#ifndef BCREADER_PLATFORM_POSIX_KEYBOARD_CONTROLS_H
#define BCREADER_PLATFORM_POSIX_KEYBOARD_CONTROLS_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/xkb_layout.h"

namespace bcr::platform {

struct ControlKey {
  enum class Kind : uint8_t { kKey, kText, kNone };
  Kind kind = Kind::kKey;
  // kKey: the modifiers, and the key when it is one of fixed place (F8, Escape).
  KeyChord chord;
  // kKey: when not 0, the key is the one that types this character: the layout's, else the US
  // keyboard's, its own modifiers added to those of chord.
  int32_t character = 0;
  std::string text;  // kText: printable ASCII, typed character by character
};

constexpr uint32_t kControlCharacters = 0x20;
using ControlKeys = std::array<ControlKey, kControlCharacters>;

// The longest value of the setting that is read, and the longest text of one character.
constexpr size_t kMaxControlKeysText = 1024;
constexpr size_t kMaxControlText = 16;

// The default renderings with the entries of text (the value of $BCREADER_CONTROL_KEYS) in
// place. Each entry that cannot be used leaves its character as it was and adds one line to
// problems, naming the entry (cut short, unprintable bytes shown as '?') and the reason.
ControlKeys ParseControlKeys(const std::string &text, std::vector<std::string> *problems);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_KEYBOARD_CONTROLS_H
