// The virtual keyboard: a Linux input device made through /dev/uinput (or a file that receives
// the same event records) when the keyboard is first used, and let go when the library is
// unloaded (static destruction of this file), every key it still holds released first.
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/keyboard_sink.h"
#include "platform/posix/uinput_keymap.h"
#include "platform/trace.h"

namespace bcr::platform::uinput_sink {

namespace {

constexpr const char kDeviceName[] = "bcreader keyboard";
constexpr uint16_t kVendor = 0x0001;
constexpr uint16_t kProduct = 0x0001;
// Listeners (the display server, an input library) open a new device only once they have seen
// it appear; events sent before that are lost, so a new keyboard waits this long before typing.
constexpr uint32_t kSettleMs = 200;

const uint16_t kModifiers[] = {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL,
                               KEY_RIGHTCTRL, KEY_LEFTALT,    KEY_RIGHTALT};
// Held, these make a key press a shortcut rather than a character.
const uint16_t kShortcutModifiers[] = {KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_RIGHTALT};

// What the key-down of a virtual key did, so that its key-up undoes exactly that.
constexpr uint16_t kTypedCharacter = 0xFFFF;

// The index in TypeChord's lists of what a held modifier does: Control, Alt, Shift or AltGr (the
// right Alt key where the layout makes it the third-level key).
size_t ModifierKind(uint16_t modifier, uint16_t altGr) {
  if (modifier == altGr) return 3;
  if (modifier == KEY_LEFTSHIFT || modifier == KEY_RIGHTSHIFT) return 2;
  if (modifier == KEY_LEFTALT || modifier == KEY_RIGHTALT) return 1;
  return 0;
}

bool IsModifier(uint16_t key) {
  return std::find(std::begin(kModifiers), std::end(kModifiers), key) != std::end(kModifiers);
}

// Microseconds of the monotonic clock: the time stamps of the events and the pacing use the
// same clock, so that the spacing of the stamps is the spacing kept.
uint64_t NowUs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

class VirtualKeyboard {
 public:
  ~VirtualKeyboard() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
      // Nothing the keyboard pressed stays down after it: last pressed, first released. Each
      // release is tried once, so that one that cannot be written does not hold up the unload.
      const std::vector<uint16_t> held = held_;
      for (auto key = held.rbegin(); key != held.rend(); ++key) Press(*key, false);
      if (device_) ioctl(fd_, UI_DEV_DESTROY);
      close(fd_);
      fd_ = -1;
    }
    unloaded_ = true;
  }

  bool Open(Settings settings) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) return true;
    if (unloaded_) return false;
    layout_ = std::move(settings.layout);
    controls_ = settings.controls;
    delayUs_ = static_cast<uint64_t>(settings.delayMs) * 1000u;
    device_ = settings.file.empty();
    if (!device_) {
      fd_ = open(settings.file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      return fd_ >= 0;
    }
    int fd = open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (!Configure(fd) || ioctl(fd, UI_DEV_CREATE) < 0) {
      close(fd);
      return false;
    }
    fd_ = fd;
    Sleep(kSettleMs);
    return true;
  }

  void Key(uint8_t vk, bool down) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!down) {
      uint16_t pressed = pressedByVk_[vk] != 0 ? pressedByVk_[vk] : KeyOfVirtualKey(vk);
      pressedByVk_[vk] = 0;
      if (pressed != kTypedCharacter) Press(pressed, false);
      return;
    }
    // The key of a character stands for the character it types on a US keyboard, typed here
    // through the layout; in a shortcut it is the key of that name (a letter's key on the
    // layout, the others where they are on every keyboard).
    int32_t ch = CharacterOfVirtualKey(vk, Held(KEY_LEFTSHIFT) || Held(KEY_RIGHTSHIFT));
    if (ch != 0 && !ShortcutHeld()) {
      TypeCharacter(ch);
      pressedByVk_[vk] = kTypedCharacter;
      return;
    }
    uint16_t key = KeyOfVirtualKey(vk);
    KeyChord chord;
    if (vk >= 'A' && vk <= 'Z' && ShortcutChord(vk - 'A' + 'a', &chord) && !chord.altGr) {
      key = chord.key;
    }
    if (key == 0) return;
    if (!IsModifier(key)) Pace();
    Press(key, true);
    pressedByVk_[vk] = key;
  }

  void Character(int32_t ch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ch < 0 || static_cast<uint32_t>(ch) >= kControlCharacters) {
      TypeCharacter(ch);
      return;
    }
    const ControlKey &control = controls_[ch];
    switch (control.kind) {
      case ControlKey::Kind::kKey: {
        KeyChord chord = control.chord;
        if (control.character != 0 && !ShortcutChord(control.character, &chord)) {
          Skip(ch);
          return;
        }
        chord.shift |= control.chord.shift;
        chord.altGr |= control.chord.altGr;
        chord.ctrl |= control.chord.ctrl;
        chord.alt |= control.chord.alt;
        TypeChord(chord);
        break;
      }
      case ControlKey::Kind::kText:
        for (char c : control.text) TypeCharacter(static_cast<unsigned char>(c));
        break;
      case ControlKey::Kind::kNone:
        break;
    }
  }

  uint32_t Skipped() const { return skipped_.load(); }

 private:
  bool Configure(int fd) const {
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_SYN) < 0) return false;
    std::vector<uint16_t> keys;
    for (uint32_t i = 0; i < MappedKeyCount(); ++i) keys.push_back(MappedKeyAt(i));
    if (layout_) keys.insert(keys.end(), layout_->Keys().begin(), layout_->Keys().end());
    for (uint16_t key : keys) {
      if (ioctl(fd, UI_SET_KEYBIT, key) < 0) return false;
    }
    uinput_setup setup;
    std::memset(&setup, 0, sizeof setup);
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = kVendor;
    setup.id.product = kProduct;
    std::strncpy(setup.name, kDeviceName, UINPUT_MAX_NAME_SIZE - 1);
    if (ioctl(fd, UI_DEV_SETUP, &setup) == 0) return true;
    // Kernels before 4.5 take the description as a write instead.
    uinput_user_dev legacy;
    std::memset(&legacy, 0, sizeof legacy);
    legacy.id = setup.id;
    std::strncpy(legacy.name, kDeviceName, UINPUT_MAX_NAME_SIZE - 1);
    return write(fd, &legacy, sizeof legacy) == static_cast<ssize_t>(sizeof legacy);
  }

  // The rest is called with mutex_ held.

  // Types ch with the key and modifiers the layout has for it. Without a chord the character is
  // counted and nothing is pressed.
  void TypeCharacter(int32_t ch) {
    KeyChord chord;
    if (layout_ && layout_->Find(ch, &chord)) {
      TypeChord(chord);
    } else {
      Skip(ch);
    }
  }

  void Skip(int32_t ch) {
    const uint32_t skipped = skipped_.fetch_add(1) + 1;
    if (TraceOn()) {
      char note[96];
      std::snprintf(note, sizeof note, "keyboard: U+%04X skipped, no key on the layout (%u so far)",
                    static_cast<unsigned>(ch), static_cast<unsigned>(skipped));
      TraceStep(0, note);
    }
  }

  // The chord of ch's key in a shortcut: the layout's, else the key that types ch on a US
  // keyboard, where keyboards without that character have it.
  bool ShortcutChord(int32_t ch, KeyChord *chord) const {
    if (layout_ && layout_->Find(ch, chord)) return true;
    *chord = KeyChord();
    return UsKeyOfCharacter(ch, &chord->key, &chord->shift);
  }

  // Presses the chord's key with the modifiers the chord needs and only those: held modifiers it
  // does not need are let go around it and pressed again after. Missing modifiers are pressed in
  // the order Control, Alt, Shift, AltGr and released in reverse.
  void TypeChord(const KeyChord &chord) {
    Pace();
    const uint16_t altGr = layout_ ? layout_->AltGrKey() : 0;
    const bool wanted[] = {chord.ctrl, chord.alt, chord.shift, chord.altGr};
    const uint16_t keyOf[] = {KEY_LEFTCTRL, KEY_LEFTALT, KEY_LEFTSHIFT, altGr};
    bool held[] = {false, false, false, false};
    std::vector<uint16_t> letGo;
    for (uint16_t modifier : kModifiers) {
      if (!Held(modifier)) continue;
      const size_t kind = ModifierKind(modifier, altGr);
      if (wanted[kind]) {
        held[kind] = true;
      } else {
        letGo.push_back(modifier);
        Press(modifier, false);
      }
    }
    std::vector<uint16_t> pressed;
    for (size_t kind = 0; kind < 4; ++kind) {
      if (wanted[kind] && !held[kind]) pressed.push_back(keyOf[kind]);
    }
    for (uint16_t modifier : pressed) Press(modifier, true);
    Press(chord.key, false);  // a key held by a virtual key is let go before it types
    Press(chord.key, true);
    Press(chord.key, false);
    for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) Press(*it, false);
    for (uint16_t modifier : letGo) Press(modifier, true);
  }

  // Waits until the pause since the last key pressed (other than a modifier) has passed.
  void Pace() const {
    if (delayUs_ == 0 || lastPressUs_ == 0) return;
    for (uint64_t now = NowUs(); now < lastPressUs_ + delayUs_; now = NowUs()) {
      Sleep(static_cast<uint32_t>((lastPressUs_ + delayUs_ - now + 999) / 1000));
    }
  }

  bool Held(uint16_t key) const {
    return std::find(held_.begin(), held_.end(), key) != held_.end();
  }

  bool ShortcutHeld() const {
    return std::any_of(std::begin(kShortcutModifiers), std::end(kShortcutModifiers),
                       [this](uint16_t key) { return Held(key); });
  }

  // Sends a change of the key's state; a press of a held key or a release of a free one sends
  // nothing.
  void Press(uint16_t key, bool down) {
    if (fd_ < 0 || key == 0 || key >= KEY_CNT || Held(key) == down) return;
    uint64_t stamp = NowUs();
    if (!Emit(EV_KEY, key, down ? 1 : 0, stamp) || !Emit(EV_SYN, SYN_REPORT, 0, stamp)) return;
    if (down) {
      held_.push_back(key);
      if (!IsModifier(key)) lastPressUs_ = stamp;
    } else {
      held_.erase(std::find(held_.begin(), held_.end(), key));
    }
  }

  bool Emit(uint16_t type, uint16_t code, int32_t value, uint64_t now) {
    input_event event;
    std::memset(&event, 0, sizeof event);
    event.input_event_sec = static_cast<decltype(event.input_event_sec)>(now / 1000000u);
    event.input_event_usec = static_cast<decltype(event.input_event_usec)>(now % 1000000u);
    event.type = type;
    event.code = code;
    event.value = value;
    ssize_t written;
    do {
      written = write(fd_, &event, sizeof event);
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(sizeof event);
  }

  std::mutex mutex_;
  int fd_ = -1;
  bool device_ = false;
  bool unloaded_ = false;
  std::unique_ptr<KeyboardLayout> layout_;
  ControlKeys controls_;
  uint64_t delayUs_ = 0;
  uint64_t lastPressUs_ = 0;        // time stamp of the last key-down of a key that is no modifier
  std::vector<uint16_t> held_;      // keys this keyboard holds down, in the order pressed
  uint16_t pressedByVk_[256] = {};  // the key each virtual key's key-down pressed
  std::atomic<uint32_t> skipped_{0};
};

VirtualKeyboard keyboard;

}  // namespace

bool Open(Settings settings) {
  return keyboard.Open(std::move(settings));
}

void Key(uint8_t vk, bool release) {
  keyboard.Key(vk, !release);
}

void Character(int32_t ch) {
  keyboard.Character(ch);
}

uint32_t Skipped() {
  return keyboard.Skipped();
}

}  // namespace bcr::platform::uinput_sink
