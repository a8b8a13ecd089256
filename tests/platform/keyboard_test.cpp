// The keyboard platform calls: the US key map checked against literal Linux key codes, the
// record: sink's line format, the once-per-process choice of the sink, and (where /dev/uinput
// exists) the key events the virtual keyboard really produces.
#include "platform/keyboard.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/uinput_keymap.h"

namespace bcr::platform {
namespace {

using Lines = std::vector<std::string>;

// Linux key codes, written out rather than taken from the kernel header the map uses.
constexpr uint16_t kEsc = 1, kBackspace = 14, kTab = 15, kEnter = 28, kLeftCtrl = 29,
                   kLeftShift = 42, kLeftAlt = 56, kSpace = 57;

TEST(KeyMap, VirtualKeysMapToTheirLinuxKeys) {
  const std::pair<uint8_t, uint16_t> rows[] = {
      {0x08, kBackspace}, {0x09, kTab}, {0x0D, kEnter},     {0x10, kLeftShift}, {0x11, kLeftCtrl},
      {0x12, kLeftAlt},   {0x1B, kEsc}, {0x20, kSpace},     {0x21, 104},        {0x28, 108},
      {0x2E, 111},        {0x30, 11},   {0x31, 2},          {0x39, 10},         {0x41, 30},
      {0x56, 47},         {0x5A, 44},   {0x60, 82},         {0x69, 73},         {0x6A, 55},
      {0x6B, 78},         {0x6F, 98},   {0x70, 59},         {0x76, 65},         {0x7B, 88},
      {0x7C, 183},        {0x87, 194},  {0xA0, kLeftShift}, {0xA5, 100},        {0xBA, 39},
      {0xBB, 13},         {0xBC, 51},   {0xBD, 12},         {0xBE, 52},         {0xBF, 53},
      {0xC0, 41},         {0xDB, 26},   {0xDC, 43},         {0xDD, 27},         {0xDE, 40},
  };
  for (const auto &[vk, key] : rows) EXPECT_EQ(KeyOfVirtualKey(vk), key) << "vk " << int(vk);
}

TEST(KeyMap, VirtualKeysWithoutAUsKeyOrWithALockMapToNothing) {
  // Nothing, mouse buttons, Caps Lock, Num Lock, Scroll Lock, the Windows key, OEM and
  // Latin-1 codes.
  for (uint8_t vk : {0x00, 0x01, 0x14, 0x90, 0x91, 0x5B, 0xE9, 0xFF}) {
    EXPECT_EQ(KeyOfVirtualKey(vk), 0) << "vk " << int(vk);
  }
}

TEST(KeyMap, PrintableAsciiFollowsTheUsLayout) {
  // Each character of the first string is typed by the key below it, the second string's by
  // the same key with Shift.
  const char plain[] = "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./ ";
  const char shifted[] = "~!@#$%^&*()_+QWERTYUIOP{}|ASDFGHJKL:\"ZXCVBNM<>? ";
  const uint16_t keys[] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18,
                           19, 20, 21, 22, 23, 24, 25, 26, 27, 43, 30, 31, 32, 33, 34, 35,
                           36, 37, 38, 39, 40, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 57};
  static_assert(sizeof plain == sizeof shifted && sizeof plain - 1 == sizeof keys / 2);
  std::set<int32_t> seen;
  for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    CharacterKey key;
    ASSERT_TRUE(KeyOfCharacter(plain[i], &key)) << plain[i];
    EXPECT_EQ(key.key, keys[i]) << plain[i];
    EXPECT_FALSE(key.shift) << plain[i];
    seen.insert(plain[i]);
    if (shifted[i] == ' ') continue;
    ASSERT_TRUE(KeyOfCharacter(shifted[i], &key)) << shifted[i];
    EXPECT_EQ(key.key, keys[i]) << shifted[i];
    EXPECT_TRUE(key.shift) << shifted[i];
    seen.insert(shifted[i]);
  }
  EXPECT_EQ(seen.size(), 95u);  // all of printable ASCII
}

TEST(KeyMap, OnlyTheKeyedControlCharactersHaveAKey) {
  const std::pair<int32_t, uint16_t> keyed[] = {
      {8, kBackspace}, {9, kTab}, {10, kEnter}, {13, kEnter}, {27, kEsc}};
  for (const auto &[ch, code] : keyed) {
    CharacterKey key;
    ASSERT_TRUE(KeyOfCharacter(ch, &key)) << ch;
    EXPECT_EQ(key.key, code) << ch;
    EXPECT_FALSE(key.shift) << ch;
  }
  for (int32_t ch : {0, 1, 17, 31, 127, 0xA0, 0xE9, 0x4E2D, -1, -32768}) {
    CharacterKey key;
    EXPECT_FALSE(KeyOfCharacter(ch, &key)) << ch;
  }
  EXPECT_FALSE(KeyOfCharacter('a', nullptr));
}

TEST(KeyMap, TheDeclaredKeysCoverEveryMappedKeyOnce) {
  std::set<uint16_t> declared;
  for (uint32_t i = 0; i < MappedKeyCount(); ++i) {
    EXPECT_TRUE(declared.insert(MappedKeyAt(i)).second) << "key " << MappedKeyAt(i);
  }
  std::set<uint16_t> used = {kLeftShift};
  for (int vk = 1; vk < 256; ++vk) used.insert(KeyOfVirtualKey(static_cast<uint8_t>(vk)));
  CharacterKey key;
  for (int32_t ch = 0; ch < 128; ++ch) used.insert(KeyOfCharacter(ch, &key) ? key.key : 0);
  used.erase(0);
  EXPECT_EQ(used, declared);
}

// The sink is chosen once per process: the first test of a process that uses the keyboard
// fixes it. A test that needs another sink than the one already fixed skips (under ctest every
// test runs in a process of its own, so none skips there).
std::string fixedSetting;

bool UseSink(const std::string &setting) {
  if (!fixedSetting.empty() && fixedSetting != setting) return false;
  fixedSetting = setting;
  setenv("BCREADER_KEYBOARD", setting.c_str(), 1);
  return true;
}

std::string RecordFile() {
  return ::testing::TempDir() + "bcr-keyboard-" + std::to_string(getpid()) + ".rec";
}

Lines Recorded(const std::string &file) {
  Lines lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class RecordSink : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UseSink("record:" + RecordFile())) GTEST_SKIP() << "another sink is fixed in this process";
    unlink(RecordFile().c_str());
  }
  void TearDown() override { unlink(RecordFile().c_str()); }
};

TEST_F(RecordSink, KeyEventsAreRecordedInDecimal) {
  KeybdEvent(0x10, 0x58, 6);
  KeybdEvent(255, 255, 0xFFFFFFFF);
  KeybdEvent(0, 0, 0);
  EXPECT_EQ(Recorded(RecordFile()),
            (Lines{"keybd_event 16 88 6", "keybd_event 255 255 4294967295", "keybd_event 0 0 0"}));
}

TEST_F(RecordSink, PostsRecordCharactersSignedAndStatesUnsigned) {
  const uint32_t chars[] = {65, 0xFFFFFFFF, 0xFFFF8000, 0x4E2D};
  const uint32_t states[] = {0x80, 0, 0xFFFFFFFF, 7};
  PostKeybdMessage(0x80, 4, states, chars);
  PostKeybdMessage(0, 1, states + 1, chars);
  // Missing arrays post nothing.
  PostKeybdMessage(0x80, 1, nullptr, chars);
  PostKeybdMessage(0x80, 1, states, nullptr);
  EXPECT_EQ(Recorded(RecordFile()),
            (Lines{"post 128 65,-1,-32768,20013 128,0,4294967295,7", "post 0 65 0"}));
}

// These run in a fresh process of their own, so that the sink is chosen there. That process
// runs the test body again from its start, so file names are handed down through the
// environment rather than made from the process id.
class KeyboardSinkDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  static std::string File(const char *suffix) {
    const char *base = std::getenv("BCR_KEYBOARD_TEST_BASE");
    if (base == nullptr) {
      setenv("BCR_KEYBOARD_TEST_BASE", RecordFile().c_str(), 1);
      base = std::getenv("BCR_KEYBOARD_TEST_BASE");
    }
    return std::string(base) + suffix;
  }
};

// Chooses the sink from setting with a first call, then points the setting at a record file:
// exits 0 when that file stays unwritten (the first choice held), 1 when it was written.
// Chooses the sink from setting with a first call, then points the setting at a record file:
// exits 0 when that file stays unwritten (the first choice held), 1 when it was written.
[[noreturn]] void ChooseThenSwitch(const char *setting, const std::string &file) {
  setenv("BCREADER_KEYBOARD", setting, 1);
  KeybdEvent(0x41, 0, 0);
  setenv("BCREADER_KEYBOARD", ("record:" + file).c_str(), 1);
  const uint32_t one[] = {65};
  PostKeybdMessage(0x80, 1, one, one);
  std::exit(access(file.c_str(), F_OK) == 0 ? 1 : 0);
}

TEST_F(KeyboardSinkDeathTest, NoneAndUnknownSettingsSendNothingForTheLifeOfTheProcess) {
  std::string late = File(".late");
  std::vector<const char *> settings = {"none", "bogus", "record:", "RECORD:x"};
  // Without a writable /dev/uinput, "uinput" and the default (empty) fall back to none.
  if (access("/dev/uinput", W_OK) != 0) settings.insert(settings.end(), {"uinput", ""});
  for (const char *setting : settings) {
    unlink(late.c_str());
    EXPECT_EXIT(ChooseThenSwitch(setting, late), ::testing::ExitedWithCode(0), "") << setting;
  }
  unlink(late.c_str());
}

TEST_F(KeyboardSinkDeathTest, TheFirstRecordFileStaysTheSink) {
  std::string first = File(".first");
  std::string late = File(".late");
  unlink(first.c_str());
  unlink(late.c_str());
  EXPECT_EXIT(ChooseThenSwitch(("record:" + first).c_str(), late), ::testing::ExitedWithCode(0),
              "");
  EXPECT_EQ(Recorded(first), (Lines{"keybd_event 65 0 0", "post 128 65 65"}));
  unlink(first.c_str());
  unlink(late.c_str());
}

// The virtual keyboard, read back through its evdev node.
class UinputSink : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/dev/uinput", W_OK) != 0) GTEST_SKIP() << "no writable /dev/uinput here";
    if (!UseSink("uinput")) GTEST_SKIP() << "another sink is fixed in this process";
  }
  void TearDown() override {
    if (events_ >= 0) close(events_);
  }

  // Finds the node of the device named name, waiting up to 3 s for it to appear.
  bool OpenDevice(const char *name) {
    for (uint64_t deadline = NowMs() + 3000; NowMs() < deadline; Sleep(50)) {
      DIR *dir = opendir("/dev/input");
      if (dir == nullptr) continue;
      for (dirent *entry; (entry = readdir(dir)) != nullptr;) {
        if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
        std::string path = std::string("/dev/input/") + entry->d_name;
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        char found[256] = {};
        if (ioctl(fd, EVIOCGNAME(sizeof found - 1), found) >= 0 && std::strcmp(found, name) == 0) {
          events_ = fd;
          closedir(dir);
          return true;
        }
        close(fd);
      }
      closedir(dir);
    }
    return false;
  }

  // The key events (code, value) read until count arrived or 3 s passed.
  std::vector<std::pair<int, int>> ReadKeys(size_t count) {
    std::vector<std::pair<int, int>> keys;
    for (uint64_t deadline = NowMs() + 3000; keys.size() < count && NowMs() < deadline;) {
      pollfd fd = {events_, POLLIN, 0};
      if (poll(&fd, 1, 100) <= 0) continue;
      input_event event;
      while (read(events_, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
        if (event.type == EV_KEY) keys.emplace_back(event.code, event.value);
      }
    }
    return keys;
  }

  int events_ = -1;
};

TEST_F(UinputSink, KeyEventsAndCharactersBecomeKeyPresses) {
  // The first call makes the device; releasing a key that is not down sends nothing.
  KeybdEvent(0x10, 0x58, 6);
  if (!OpenDevice("bcreader keyboard")) GTEST_SKIP() << "no evdev node appeared for the device";
  KeybdEvent(0x41, 0, 0);
  KeybdEvent(0x41, 2, 6);
  KeybdEvent(0x14, 0, 0);  // Caps Lock: not pressed
  const uint32_t chars[] = {'!', 0xE9, 0xFFFFFFFF, 'b'};
  const uint32_t states[] = {0x80, 0x80, 0x80, 0x80};
  PostKeybdMessage(0x80, 4, states, chars);
  // A held Shift is let go around a character that needs none.
  KeybdEvent(0x10, 0x58, 4);
  const uint32_t lower[] = {'q'};
  PostKeybdMessage(0x80, 1, states, lower);
  KeybdEvent(0x10, 0x58, 6);
  std::vector<std::pair<int, int>> expected = {
      {30, 1}, {30, 0},                    // A
      {42, 1}, {2, 1},  {2, 0},  {42, 0},  // !
      {48, 1}, {48, 0},                    // b
      {42, 1}, {42, 0}, {16, 1}, {16, 0},  // Shift down, q typed without it
      {42, 1}, {42, 0},                    // Shift pressed again, then let go
  };
  EXPECT_EQ(ReadKeys(expected.size()), expected);
}

}  // namespace
}  // namespace bcr::platform
