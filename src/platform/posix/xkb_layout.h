// The keyboard layout the virtual keyboard types for: which Linux key (KEY_* of
// <linux/input-event-codes.h>), with which of Shift and AltGr held, types a character, worked
// out once with xkbcommon from the layout's xkeyboard-config names.
//
// Only keys that type a character by themselves are used: dead keys, and the Caps Lock and
// Num Lock states, never are. Keys of the main block come before the others (the keypad, the
// extra key of 105-key boards), and fewer modifiers before more, so that a character is typed
// the way a user of the layout would type it.
#ifndef BCREADER_PLATFORM_POSIX_XKB_LAYOUT_H
#define BCREADER_PLATFORM_POSIX_XKB_LAYOUT_H

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace bcr::platform {

// The names xkbcommon compiles a keymap from; empty fields take xkbcommon's defaults.
struct LayoutNames {
  std::string model;
  std::string layout;
  std::string variant;
  std::string options;
};

// "layout" or "layout(variant)", as BCREADER_KEYMAP gives it. False for any other shape.
bool ParseLayoutName(const std::string &text, LayoutNames *names);

// The XKBMODEL, XKBLAYOUT, XKBVARIANT and XKBOPTIONS lines of /etc/default/keyboard (shell
// assignments, quoted or not). Of a list of layouts ("us,de") the first is taken, with its
// variant. False when no layout is named.
bool ParseKeyboardDefaults(const std::string &text, LayoutNames *names);

struct KeyChord {
  uint16_t key = 0;
  bool shift = false;
  bool altGr = false;  // the third-level key held
  // Never set by a layout: a shortcut's modifiers, pressed before Shift and AltGr.
  bool ctrl = false;
  bool alt = false;
};

class KeyboardLayout {
 public:
  // Nullptr when xkbcommon cannot compile the names (an unknown layout or variant).
  static std::unique_ptr<KeyboardLayout> Compile(const LayoutNames &names);

  // The chord that types ch, false when the layout has none. A line feed is typed as the key of
  // the carriage return.
  bool Find(int32_t ch, KeyChord *chord) const;
  // The key that selects the third level (AltGr), 0 when the layout has none.
  uint16_t AltGrKey() const { return altGrKey_; }
  // Every key the chords use, modifiers included, without repeats.
  const std::vector<uint16_t> &Keys() const { return keys_; }

 private:
  KeyboardLayout() = default;

  std::unordered_map<int32_t, KeyChord> chords_;
  uint16_t altGrKey_ = 0;
  std::vector<uint16_t> keys_;
};

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_XKB_LAYOUT_H
