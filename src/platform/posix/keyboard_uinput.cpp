// The virtual keyboard: a Linux input device made through /dev/uinput when the keyboard is
// first used, and destroyed when the library is unloaded (static destruction of this file).
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <bitset>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/posix/uinput_keymap.h"

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

class VirtualKeyboard {
 public:
  ~VirtualKeyboard() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
      // Destroying the device releases the keys it still holds.
      ioctl(fd_, UI_DEV_DESTROY);
      close(fd_);
      fd_ = -1;
    }
    unloaded_ = true;
  }

  bool Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) return true;
    if (unloaded_) return false;
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

  void Key(uint16_t key, bool down) {
    std::lock_guard<std::mutex> lock(mutex_);
    Press(key, down);
  }

  // Types the key of a character as it is, whatever modifiers earlier key events left held:
  // those are let go around it and pressed again after.
  void Type(const CharacterKey &character) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool held[sizeof kModifiers / sizeof kModifiers[0]] = {};
    for (size_t i = 0; i < sizeof kModifiers / sizeof kModifiers[0]; ++i) {
      held[i] = down_[kModifiers[i]];
      if (held[i]) Press(kModifiers[i], false);
    }
    if (character.shift) Press(KEY_LEFTSHIFT, true);
    Press(character.key, true);
    Press(character.key, false);
    if (character.shift) Press(KEY_LEFTSHIFT, false);
    for (size_t i = 0; i < sizeof kModifiers / sizeof kModifiers[0]; ++i) {
      if (held[i]) Press(kModifiers[i], true);
    }
  }

 private:
  static bool Configure(int fd) {
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_SYN) < 0) return false;
    for (uint32_t i = 0; i < MappedKeyCount(); ++i) {
      if (ioctl(fd, UI_SET_KEYBIT, MappedKeyAt(i)) < 0) return false;
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

  // Called with mutex_ held.
  void Press(uint16_t key, bool down) {
    if (fd_ < 0 || key >= down_.size()) return;
    if (Emit(EV_KEY, key, down ? 1 : 0) && Emit(EV_SYN, SYN_REPORT, 0)) down_[key] = down;
  }

  bool Emit(uint16_t type, uint16_t code, int32_t value) {
    input_event event;
    std::memset(&event, 0, sizeof event);
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
  bool unloaded_ = false;
  std::bitset<KEY_CNT> down_;  // keys this device holds pressed
};

VirtualKeyboard keyboard;

}  // namespace

bool Open() {
  return keyboard.Open();
}

void Key(uint8_t vk, bool release) {
  uint16_t key = KeyOfVirtualKey(vk);
  if (key != 0) keyboard.Key(key, !release);
}

void Character(int32_t ch) {
  CharacterKey character;
  if (KeyOfCharacter(ch, &character)) keyboard.Type(character);
}

}  // namespace bcr::platform::uinput_sink
