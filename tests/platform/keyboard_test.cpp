// The keyboard platform calls: the fixed keys of virtual keys, the characters of three layouts
// and the held keys, all read back from the input_event stream of BCREADER_KEYBOARD=uinput:<file>
// and compared with Linux key codes written out, not taken from the kernel header; the record:
// sink's line format; the once-per-process choice of the sink.
#include "platform/keyboard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/keyboard_sink.h"
#include "platform/posix/uinput_keymap.h"
#include "platform/posix/xkb_layout.h"
#include "support/input_events.h"

namespace bcr::platform {
namespace {

using bcr::test::KeyString;
using bcr::test::ReadKeyEvents;

// One run of characters, as the wedge posts it.
void PostRun(const std::vector<int32_t> &chars) {
  std::vector<uint32_t> values(chars.begin(), chars.end());
  std::vector<uint32_t> states(values.size(), 0x80);
  PostKeybdMessage(0x80, static_cast<uint32_t>(values.size()), states.data(), values.data());
}

void Post(std::initializer_list<int32_t> chars) {
  PostRun(chars);
}

void Post(const std::string &text) {
  for (char c : text) Post({static_cast<unsigned char>(c)});
}

void Press(uint8_t vk) {
  KeybdEvent(vk, 0, 0);
  KeybdEvent(vk, 0, 2);
}

TEST(KeyboardNames, LayoutNamesAndTheSystemConfigurationAreRead) {
  LayoutNames names;
  EXPECT_TRUE(ParseLayoutName("us(intl)", &names));
  EXPECT_EQ(names.layout + "/" + names.variant, "us/intl");
  EXPECT_TRUE(ParseLayoutName("de", &names));
  EXPECT_EQ(names.layout + "/" + names.variant, "de/");
  for (const char *bad : {"", "de(", "(intl)", "de()", "de(x)y", "d e", "de;rm"}) {
    EXPECT_FALSE(ParseLayoutName(bad, &names)) << bad;
  }
  const char system[] =
      "# KEYBOARD CONFIGURATION FILE\n"
      "XKBMODEL=\"pc105\"\n"
      "  XKBLAYOUT='fr,us'\n"
      "XKBVARIANT=\"oss,\"\n"
      "XKBOPTIONS=\"lv3:ralt_switch,compose:menu\"\n"
      "BACKSPACE=\"guess\"\n";
  ASSERT_TRUE(ParseKeyboardDefaults(system, &names));
  EXPECT_EQ(names.model + "/" + names.layout + "/" + names.variant + "/" + names.options,
            "pc105/fr/oss/lv3:ralt_switch,compose:menu");
  EXPECT_FALSE(ParseKeyboardDefaults("XKBMODEL=pc105\n#XKBLAYOUT=de\n", &names));
}

TEST(KeyMap, TheDeclaredKeysCoverEveryKeyOfAVirtualKeyOnce) {
  std::set<uint16_t> declared;
  for (uint32_t i = 0; i < MappedKeyCount(); ++i) {
    EXPECT_TRUE(declared.insert(MappedKeyAt(i)).second) << "key " << MappedKeyAt(i);
  }
  std::set<uint16_t> used;
  for (int vk = 1; vk < 256; ++vk) used.insert(KeyOfVirtualKey(static_cast<uint8_t>(vk)));
  used.erase(0);
  EXPECT_EQ(used, declared);
}

// The keyboard is chosen once per process, so everything that types runs in a fresh process of
// its own, which runs the test body again from its start: file names are handed down through the
// environment rather than made from the process id.
class KeyboardDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  static std::string File(const char *suffix) {
    const char *base = std::getenv("BCR_KEYBOARD_TEST_BASE");
    if (base == nullptr) {
      setenv("BCR_KEYBOARD_TEST_BASE",
             (::testing::TempDir() + "bcr-keyboard-" + std::to_string(getpid())).c_str(), 1);
      base = std::getenv("BCR_KEYBOARD_TEST_BASE");
    }
    return std::string(base) + suffix;
  }

  // Runs type in a fresh process that types into the event file for layout (BCREADER_KEYMAP)
  // with the given pause, and expects it to have skipped `skipped` characters and to have written
  // the message, when one is given, exactly once. Returns the file's key events.
  static std::vector<bcr::test::KeyEvent> Typed(const char *layout, const char *delayMs,
                                                uint32_t skipped, const std::function<void()> &type,
                                                const std::string &message = "") {
    const std::string file = File(".events");
    unlink(file.c_str());
    auto once = [&message](const std::string &err) {
      size_t first = err.find(message);
      return message.empty() ||
             (first != std::string::npos && err.find(message, first + 1) == std::string::npos);
    };
    EXPECT_EXIT(bcr::test::TypeAndExit(file, layout, delayMs, type),
                ::testing::ExitedWithCode(static_cast<int>(skipped)), ::testing::Truly(once))
        << layout;
    std::vector<bcr::test::KeyEvent> keys = ReadKeyEvents(file);
    unlink(file.c_str());
    return keys;
  }
};

TEST_F(KeyboardDeathTest, VirtualKeysPressTheirFixedKeys) {
  // Every virtual key from 1 to 255 in turn, with right Control held so that the keys of
  // characters are keys too (a shortcut): the whole table in the order of its virtual keys, and
  // no key for the others (the lock keys, the Windows key, mouse buttons, OEM and Latin-1 codes).
  std::istringstream table(
      "14 15 28 42 29 56 1 57 104 109 107 102 105 103 106 108 110 111 11 2 3 4 5 6 7 8 9 10 30 48 "
      "46 32 18 33 34 35 23 36 37 38 50 49 24 25 16 19 31 20 22 47 17 45 21 44 82 79 80 81 75 76 "
      "77 71 72 73 55 78 74 83 98 59 60 61 62 63 64 65 66 67 68 87 88 183 184 185 186 187 188 189 "
      "190 191 192 193 194 42 54 29 56 100 39 13 51 12 52 53 41 26 43 27 40");
  std::string expected = "+97";
  for (int key; table >> key;) expected += " +" + std::to_string(key) + " -" + std::to_string(key);
  EXPECT_EQ(KeyString(Typed("us", "0", 0,
                            [] {
                              KeybdEvent(0xA3, 0, 0);
                              for (int vk = 1; vk < 256; ++vk) {
                                if (vk != 0xA3) Press(static_cast<uint8_t>(vk));
                              }
                              KeybdEvent(0xA3, 0, 2);
                            })),
            expected + " -97");
}

TEST_F(KeyboardDeathTest, CharactersTypeWithTheKeysAndModifiersOfTheLayout) {
  // US: the first string is typed by the keys below it, the second's with Shift.
  const char plain[] = "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./ ";
  const char shifted[] = "~!@#$%^&*()_+QWERTYUIOP{}|ASDFGHJKL:\"ZXCVBNM<>? ";
  const uint16_t keys[] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18,
                           19, 20, 21, 22, 23, 24, 25, 26, 27, 43, 30, 31, 32, 33, 34, 35,
                           36, 37, 38, 39, 40, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 57};
  static_assert(sizeof plain == sizeof shifted && sizeof plain - 1 == sizeof keys / 2);
  std::string expected;
  for (uint16_t key : keys)
    expected += "+" + std::to_string(key) + " -" + std::to_string(key) + " ";
  for (size_t i = 0; i + 1 < sizeof keys / sizeof keys[0]; ++i) {
    expected += "+42 +" + std::to_string(keys[i]) + " -" + std::to_string(keys[i]) + " -42 ";
  }
  // Backspace, TAB, line feed and carriage return (both Enter), escape, delete.
  expected += "+14 -14 +15 -15 +28 -28 +28 -28 +1 -1 +111 -111";
  // Skipped: what the layout lacks, negative values.
  EXPECT_EQ(KeyString(Typed("us", "0", 5,
                            [&] {
                              Post(plain);
                              Post(std::string(shifted, sizeof shifted - 2));
                              Post({8, 9, 10, 13, 27, 127});
                              Post({0xE9, 0x20AC, 0x4E2D, -1, -32768});
                            })),
            expected);

  // German: Z and Y trade places, @ and the euro sign need AltGr, sharp s has a key of its own.
  EXPECT_EQ(KeyString(Typed("de", "0", 1,
                            [] {
                              Post({'Z', 'z', '@', 0x20AC, 0xDF, 0x4E2D, 'y'});
                            })),
            "+42 +21 -21 -42 +21 -21 +100 +16 -16 -100 +100 +18 -18 -100 +12 -12 +44 -44");
  // French: A on the Q key, digits shifted, e acute unshifted on the 2 key; the dead circumflex
  // is never pressed for a circumflex that has a key of its own.
  EXPECT_EQ(KeyString(Typed("fr", "0", 1,
                            [] {
                              Post({'a', '1', 0xE9, '^', 0x4E2D});
                            })),
            "+16 -16 +42 +2 -2 -42 +3 -3 +100 +10 -10 -100");
}

TEST_F(KeyboardDeathTest, ControlCharactersAreTypedAsTheirChordsOrAsTheSettingSays) {
  struct Row {
    const char *layout;
    std::string controls;  // BCREADER_CONTROL_KEYS; "-": unset
    std::vector<int32_t> chars;
    const char *keys;
    std::string message;
  };
  const Row rows[] = {
      // A GS1 text's group separator is Control and ']' between the fields; NUL Control-2;
      // ^A, ^Z, ^\, ^^ and ^_ with their keys and Shift where '^' and '_' need it.
      {"us",
       "-",
       {'0', 0x1D, '1', 0x00, 0x01, 0x1A, 0x1C, 0x1E, 0x1F},
       "+11 -11 +29 +27 -27 -29 +2 -2 +29 +3 -3 -29 +29 +30 -30 -29 +29 +44 -44 -29 "
       "+29 +43 -43 -29 +29 +42 +7 -7 -42 -29 +29 +42 +12 -12 -42 -29",
       ""},
      // German: ']' and '\' need AltGr, Z is where the US Y is; '^' only has a dead key, so it is
      // pressed where a US keyboard has it.
      {"de",
       "-",
       {'0', 0x1D, '1', 0x1A, 0x1C, 0x1E},
       "+11 -11 +29 +100 +10 -10 -100 -29 +2 -2 +29 +21 -21 -29 +29 +100 +12 -12 -100 -29 "
       "+29 +42 +7 -7 -42 -29",
       ""},
      // A text, nothing, keys with modifiers; bad entries leave the character as it was.
      {"us",
       "1D=text:<GS>,1E=none,,1c=key:CTRL+Alt+F8,01=key:shift+ctrl+],1F=key:nosuch,"
       "1D=bogus,0D=none,7F=none,zz,1=none,\x01",
       {0x1D, 0x1E, 0x1C, 0x01, 0x1F},
       "+42 +51 -51 -42 +42 +34 -34 -42 +42 +31 -31 -42 +42 +52 -52 -42 +29 +56 +66 -66 -56 -29 "
       "+29 +42 +27 -27 -42 -29 +29 +42 +12 -12 -42 -29",
       "bcreader: BCREADER_CONTROL_KEYS: entry \"1F=key:nosuch\" ignored: no such key\n"},
      {"us",
       std::string(1100, ',') + "1D=none",
       {0x1D},
       "+29 +27 -27 -29",
       "bcreader: BCREADER_CONTROL_KEYS: longer than 1024 characters, ignored whole\n"},
  };
  for (const Row &row : rows) {
    EXPECT_EQ(KeyString(Typed(
                  row.layout, "0", 0,
                  [&row] {
                    if (row.controls != "-")
                      setenv("BCREADER_CONTROL_KEYS", row.controls.c_str(), 1);
                    PostRun(row.chars);
                  },
                  row.message)),
              row.keys)
        << row.controls;
  }
}

TEST_F(KeyboardDeathTest, HeldKeysAreLetGoAroundACharacterAndReleasedAtUnload) {
  EXPECT_EQ(KeyString(Typed("us", "0", 0,
                            [] {
                              KeybdEvent(0x10, 0, 0);  // left Shift
                              KeybdEvent(0xA5, 0, 0);  // right Alt
                              KeybdEvent(0xA3, 0, 0);  // right Control
                              Post({'a'});
                              Post({0x1D});            // the held Control serves
                              KeybdEvent(0x41, 0, 0);  // Control-A, left held
                              KeybdEvent(0x10, 0, 2);
                              KeybdEvent(0x10, 0, 2);  // not held any more: nothing
                            })),
            "+42 +100 +97 "
            "-42 -97 -100 +30 -30 +42 +97 +100 "
            "-42 -100 +27 -27 +42 +100 "
            "+30 -42 "
            "-30 -100 -97");
  // A release that cannot be written (the file takes one key event) is tried once at unload,
  // which then ends; the alarm ends a process that would wait for ever.
  EXPECT_EQ(KeyString(Typed("us", "0", 0,
                            [] {
                              alarm(10);
                              signal(SIGXFSZ, SIG_IGN);
                              const rlim_t size = 2 * sizeof(input_event);
                              const rlimit limit = {size, size};
                              setrlimit(RLIMIT_FSIZE, &limit);
                              KeybdEvent(0x10, 0, 0);
                            })),
            "+42");
}

TEST_F(KeyboardDeathTest, AnUnknownLayoutFallsBackToUsWithOneMessage) {
  const char message[] =
      "bcreader: keyboard layout \"nosuch(layout)\" cannot be compiled; typing for the \"us\" "
      "layout instead\n";
  EXPECT_EQ(KeyString(Typed(
                "nosuch(layout)", "0", 0,
                [] {
                  Post({'A', 'z'});
                  Post({'@'});
                },
                message)),
            "+42 +30 -30 -42 +44 -44 +42 +3 -3 -42");
}

TEST_F(KeyboardDeathTest, TheKeyDelaySpacesTheTypedKeys) {
  std::vector<bcr::test::KeyEvent> keys = Typed("us", "20", 0, [] { Post({'a', 'B', 'c', 13}); });
  ASSERT_EQ(KeyString(keys), "+30 -30 +42 +48 -48 -42 +46 -46 +28 -28");
  std::vector<uint64_t> presses;
  for (const bcr::test::KeyEvent &key : keys) {
    if (key.value == 1 && key.code != 42) presses.push_back(key.us);
  }
  for (size_t i = 1; i < presses.size(); ++i) EXPECT_GE(presses[i] - presses[i - 1], 20000u) << i;
}

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

TEST_F(KeyboardDeathTest, NoneAndUnknownSettingsSendNothingForTheLifeOfTheProcess) {
  std::string late = File(".late");
  std::vector<const char *> settings = {"none", "bogus", "record:", "RECORD:x", "uinput:"};
  // Without a writable /dev/uinput, "uinput" and the default (empty) fall back to none.
  if (access("/dev/uinput", W_OK) != 0) settings.insert(settings.end(), {"uinput", ""});
  for (const char *setting : settings) {
    unlink(late.c_str());
    EXPECT_EXIT(ChooseThenSwitch(setting, late), ::testing::ExitedWithCode(0), "") << setting;
  }
  unlink(late.c_str());
}

// The wedge's tests read the record sink's lines; here the values they never pass.
TEST_F(KeyboardDeathTest, TheRecordSinkWritesUnsignedFlagsAndStatesAndSkipsMissingArrays) {
  std::string file = File(".record");
  unlink(file.c_str());
  auto record = [&file] {
    setenv("BCREADER_KEYBOARD", ("record:" + file).c_str(), 1);
    KeybdEvent(255, 255, 0xFFFFFFFF);
    const uint32_t chars[] = {65, 0xFFFFFFFF};
    const uint32_t states[] = {0xFFFFFFFF, 7};
    PostKeybdMessage(0x80, 2, states, chars);
    PostKeybdMessage(0x80, 1, nullptr, chars);
    PostKeybdMessage(0x80, 1, states, nullptr);
    std::exit(0);
  };
  EXPECT_EXIT(record(), ::testing::ExitedWithCode(0), "");
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "keybd_event 255 255 4294967295\npost 128 65,-1 4294967295,7\n");
  unlink(file.c_str());
}

}  // namespace
}  // namespace bcr::platform
