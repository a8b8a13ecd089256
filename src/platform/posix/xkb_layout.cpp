#include "platform/posix/xkb_layout.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstring>
#include <sstream>

namespace bcr::platform {

namespace {

// xkbcommon numbers keys as the evdev codes plus this offset.
constexpr uint32_t kEvdevOffset = 8;
// The keys that may type characters: the codes of ordinary keyboards.
constexpr uint16_t kLastKey = 255;

// Keys never pressed to type a character: the modifiers are pressed only as part of a chord,
// and a lock key would change the state of the user's own keyboard.
const uint16_t kNeverTyped[] = {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL,  KEY_RIGHTCTRL,
                                KEY_LEFTALT,   KEY_RIGHTALT,   KEY_LEFTMETA,  KEY_RIGHTMETA,
                                KEY_CAPSLOCK,  KEY_NUMLOCK,    KEY_SCROLLLOCK};

// The modifier combinations tried, fewest first.
const KeyChord kCombinations[] = {
    {0, false, false}, {0, true, false}, {0, false, true}, {0, true, true}};

bool NameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

bool IsName(const std::string &text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!NameCharacter(c)) return false;
  }
  return true;
}

// The main block (Escape to the space bar, without the keypad's asterisk) is tried before the
// keypad and the rarer keys.
int Rank(uint16_t key) {
  return key >= KEY_ESC && key <= KEY_SPACE && key != KEY_KPASTERISK ? 0 : 1;
}

bool NeverTyped(uint16_t key) {
  for (uint16_t other : kNeverTyped) {
    if (other == key) return true;
  }
  return false;
}

bool IsDeadKey(xkb_keysym_t sym) {
  char name[64];
  return xkb_keysym_get_name(sym, name, sizeof name) > 0 && std::strncmp(name, "dead_", 5) == 0;
}

// The value of an assignment, without its quotes.
std::string Unquoted(std::string value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
    value.pop_back();
  }
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string FirstOfList(const std::string &list) {
  return list.substr(0, list.find(','));
}

void SilentLog(xkb_context *, xkb_log_level, const char *, va_list) {}

struct ContextFree {
  void operator()(xkb_context *context) const { xkb_context_unref(context); }
};
struct KeymapFree {
  void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};
struct StateFree {
  void operator()(xkb_state *state) const { xkb_state_unref(state); }
};

const char *OrNull(const std::string &text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

bool ParseLayoutName(const std::string &text, LayoutNames *names) {
  size_t open = text.find('(');
  LayoutNames parsed;
  parsed.layout = text.substr(0, open);
  if (open != std::string::npos) {
    if (text.back() != ')') return false;
    parsed.variant = text.substr(open + 1, text.size() - open - 2);
    if (!IsName(parsed.variant)) return false;
  }
  if (!IsName(parsed.layout)) return false;
  *names = parsed;
  return true;
}

bool ParseKeyboardDefaults(const std::string &text, LayoutNames *names) {
  LayoutNames parsed;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    size_t equals = line.find('=', start);
    if (equals == std::string::npos) continue;
    std::string name = line.substr(start, equals - start);
    std::string value = Unquoted(line.substr(equals + 1));
    if (name == "XKBMODEL") parsed.model = value;
    if (name == "XKBLAYOUT") parsed.layout = FirstOfList(value);
    if (name == "XKBVARIANT") parsed.variant = FirstOfList(value);
    if (name == "XKBOPTIONS") parsed.options = value;
  }
  if (parsed.layout.empty()) return false;
  *names = parsed;
  return true;
}

std::unique_ptr<KeyboardLayout> KeyboardLayout::Compile(const LayoutNames &names) {
  // The names come from the library's own settings only, never from xkbcommon's environment
  // variables; xkbcommon's own diagnostics are not printed (the caller reports a failure).
  std::unique_ptr<xkb_context, ContextFree> context(
      xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (!context) return nullptr;
  xkb_context_set_log_fn(context.get(), SilentLog);
  xkb_rule_names rules = {nullptr, OrNull(names.model), names.layout.c_str(), OrNull(names.variant),
                          OrNull(names.options)};
  std::unique_ptr<xkb_keymap, KeymapFree> keymap(
      xkb_keymap_new_from_names(context.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;

  std::unique_ptr<KeyboardLayout> layout(new KeyboardLayout);
  const xkb_keysym_t *syms = nullptr;
  if (xkb_keymap_key_get_syms_by_level(keymap.get(), KEY_RIGHTALT + kEvdevOffset, 0, 0, &syms) >
          0 &&
      syms[0] == XKB_KEY_ISO_Level3_Shift) {
    layout->altGrKey_ = KEY_RIGHTALT;
  }
  const xkb_keycode_t maxKeycode = xkb_keymap_max_keycode(keymap.get());
  bool used[kLastKey + 1] = {};
  for (int rank = 0; rank < 2; ++rank) {
    for (const KeyChord &combination : kCombinations) {
      if (combination.altGr && layout->altGrKey_ == 0) continue;
      std::unique_ptr<xkb_state, StateFree> state(xkb_state_new(keymap.get()));
      if (!state) return nullptr;
      if (combination.shift) {
        xkb_state_update_key(state.get(), KEY_LEFTSHIFT + kEvdevOffset, XKB_KEY_DOWN);
      }
      if (combination.altGr) {
        xkb_state_update_key(state.get(), layout->altGrKey_ + kEvdevOffset, XKB_KEY_DOWN);
      }
      for (uint16_t key = 1; key <= kLastKey; ++key) {
        const xkb_keycode_t code = key + kEvdevOffset;
        if (Rank(key) != rank || NeverTyped(key) || code > maxKeycode) continue;
        xkb_keysym_t sym = xkb_state_key_get_one_sym(state.get(), code);
        if (sym == XKB_KEY_NoSymbol || IsDeadKey(sym)) continue;
        uint32_t ch = xkb_state_key_get_utf32(state.get(), code);
        if (ch == 0) continue;
        KeyChord chord = combination;
        chord.key = key;
        if (layout->chords_.emplace(static_cast<int32_t>(ch), chord).second) used[key] = true;
      }
    }
  }
  used[KEY_LEFTSHIFT] = true;
  if (layout->altGrKey_ != 0) used[layout->altGrKey_] = true;
  for (uint16_t key = 1; key <= kLastKey; ++key) {
    if (used[key]) layout->keys_.push_back(key);
  }
  return layout;
}

bool KeyboardLayout::Find(int32_t ch, KeyChord *chord) const {
  auto found = chords_.find(ch == '\n' ? '\r' : ch);
  if (found == chords_.end()) return false;
  *chord = found->second;
  return true;
}

}  // namespace bcr::platform
