#include "platform/posix/keyboard_controls.h"

#include <strings.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>

#include "platform/posix/uinput_keymap.h"

namespace bcr::platform {

namespace {

// Key names longer than this are no xkb keysym name.
constexpr size_t kMaxKeyName = 64;
// How much of a rejected entry its report shows.
constexpr size_t kShownEntry = 40;

// The control characters that keyboards type with a key of their own; the wedge presses TAB, line
// feed and carriage return as keys, so only a TAB of the key-stroke style comes here.
struct FixedControl {
  uint8_t ch;
  uint8_t vk;
};
const FixedControl kFixedControls[] = {
    {0x08, 0x08}, {0x09, 0x09}, {0x0A, 0x0D}, {0x0D, 0x0D}, {0x1B, 0x1B}};

// The keys of fixed place a key: entry may name (xkb keysym names), as virtual keys. F1 to F24
// follow from their numbers.
struct FixedName {
  xkb_keysym_t sym;
  uint8_t vk;
};
const FixedName kFixedNames[] = {
    {XKB_KEY_BackSpace, 0x08}, {XKB_KEY_Tab, 0x09},    {XKB_KEY_Return, 0x0D},
    {XKB_KEY_Escape, 0x1B},    {XKB_KEY_Prior, 0x21},  {XKB_KEY_Next, 0x22},
    {XKB_KEY_End, 0x23},       {XKB_KEY_Home, 0x24},   {XKB_KEY_Left, 0x25},
    {XKB_KEY_Up, 0x26},        {XKB_KEY_Right, 0x27},  {XKB_KEY_Down, 0x28},
    {XKB_KEY_Insert, 0x2D},    {XKB_KEY_Delete, 0x2E},
};

struct ModifierName {
  const char *name;
  bool KeyChord::*flag;
};
const ModifierName kModifierNames[] = {{"ctrl", &KeyChord::ctrl},
                                       {"control", &KeyChord::ctrl},
                                       {"shift", &KeyChord::shift},
                                       {"altgr", &KeyChord::altGr},
                                       {"alt", &KeyChord::alt}};

ControlKeys Defaults() {
  ControlKeys keys;
  for (uint32_t ch = 0; ch < kControlCharacters; ++ch) {
    // Control with the key of the character the control character is named by: ^A to ^Z, ^[,
    // ^\, ^], ^^, ^_; NUL is Control-2, a digit every layout has without AltGr.
    keys[ch].chord.ctrl = true;
    keys[ch].character = ch == 0 ? '2' : ch <= 0x1A ? 'a' + ch - 1 : ch + 0x40;
  }
  for (const FixedControl &fixed : kFixedControls) {
    keys[fixed.ch] = ControlKey();
    keys[fixed.ch].chord.key = KeyOfVirtualKey(fixed.vk);
  }
  return keys;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Printable(const std::string &text) {
  for (char c : text) {
    if (c < ' ' || c > '~') return false;
  }
  return true;
}

uint8_t FixedVirtualKey(xkb_keysym_t sym) {
  if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F24) return static_cast<uint8_t>(0x70 + sym - XKB_KEY_F1);
  for (const FixedName &fixed : kFixedNames) {
    if (fixed.sym == sym) return fixed.vk;
  }
  return 0;
}

// "[modifier+]...name": the modifiers are matched without regard to case; the name is a
// printable character standing for itself or an xkb keysym name.
bool ParseKey(std::string keyName, ControlKey *key) {
  ControlKey parsed;
  for (bool more = true; more;) {
    more = false;
    for (const ModifierName &modifier : kModifierNames) {
      const size_t length = std::strlen(modifier.name);
      if (keyName.size() > length + 1 && keyName[length] == '+' &&
          strncasecmp(keyName.c_str(), modifier.name, length) == 0) {
        parsed.chord.*modifier.flag = true;
        keyName.erase(0, length + 1);
        more = true;
        break;
      }
    }
  }
  if (keyName.size() == 1 && keyName[0] > ' ' && keyName[0] <= '~') {
    parsed.character = keyName[0];
  } else {
    if (keyName.empty() || keyName.size() > kMaxKeyName) return false;
    xkb_keysym_t sym = xkb_keysym_from_name(keyName.c_str(), XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol)
      sym = xkb_keysym_from_name(keyName.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
    const uint32_t ch = xkb_keysym_to_utf32(sym);
    parsed.chord.key = KeyOfVirtualKey(FixedVirtualKey(sym));
    if (parsed.chord.key == 0) {
      if (ch < ' ' || ch == 0x7F || ch > 0x10FFFF) return false;
      parsed.character = static_cast<int32_t>(ch);
    }
  }
  *key = parsed;
  return true;
}

// Why entry cannot be used, or nullptr when it was put in keys.
const char *Apply(const std::string &entry, ControlKeys *keys) {
  const int high = entry.size() >= 3 ? HexDigit(entry[0]) : -1;
  const int low = entry.size() >= 3 ? HexDigit(entry[1]) : -1;
  if (high < 0 || low < 0 || entry[2] != '=') return "not <two hex digits>=<rendering>";
  const uint32_t ch = static_cast<uint32_t>(high * 16 + low);
  if (ch >= kControlCharacters || ch == 0x09 || ch == 0x0A || ch == 0x0D) {
    return "only 00 to 1F are control characters, and 09, 0A and 0D are typed as keys";
  }
  const std::string value = entry.substr(3);
  ControlKey key;
  if (value == "none") {
    key.kind = ControlKey::Kind::kNone;
  } else if (value.compare(0, 5, "text:") == 0) {
    key.kind = ControlKey::Kind::kText;
    key.text = value.substr(5);
    if (key.text.empty() || key.text.size() > kMaxControlText || !Printable(key.text)) {
      return "a text is 1 to 16 printable ASCII characters";
    }
  } else if (value.compare(0, 4, "key:") == 0) {
    if (!ParseKey(value.substr(4), &key)) return "no such key";
  } else {
    return "the rendering is none, text:<text> or key:<modifiers+key>";
  }
  (*keys)[ch] = key;
  return nullptr;
}

std::string Shown(const std::string &entry) {
  std::string shown = entry.substr(0, kShownEntry);
  for (char &c : shown) {
    if (c < ' ' || c > '~') c = '?';
  }
  return entry.size() > kShownEntry ? shown + "..." : shown;
}

}  // namespace

ControlKeys ParseControlKeys(const std::string &text, std::vector<std::string> *problems) {
  ControlKeys keys = Defaults();
  if (text.size() > kMaxControlKeysText) {
    problems->push_back("longer than 1024 characters, ignored whole");
    return keys;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string entry = text.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const char *reason = Apply(entry, &keys);
    if (reason != nullptr) problems->push_back("entry \"" + Shown(entry) + "\" ignored: " + reason);
  }
  return keys;
}

}  // namespace bcr::platform
