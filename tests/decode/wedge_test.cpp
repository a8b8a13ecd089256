// The keyboard wedge as the keyboard sees it: every key event and posted character recorded by
// the record: sink, compared line by line.
#include "decode/wedge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/keyboard_sink.h"
#include "support/input_events.h"

namespace bcr {
namespace {

using Lines = std::vector<std::string>;

// The keyboard sink is chosen once per process, so every test of a process records into the
// same file, emptied before each test.
class Wedge : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = ::testing::TempDir() + "bcr-wedge-" + std::to_string(getpid()) + ".rec";
    setenv("BCREADER_KEYBOARD", ("record:" + file_).c_str(), 1);
    unlink(file_.c_str());
  }
  void TearDown() override { unlink(file_.c_str()); }

  Lines Recorded() const {
    Lines lines;
    std::ifstream in(file_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static WString Text(std::initializer_list<uint16_t> units) {
    WString text;
    for (uint16_t unit : units) text.AppendUnit(unit);
    return text;
  }

  Lines Typed(std::initializer_list<uint16_t> units, bool keyStrokes) {
    unlink(file_.c_str());
    TypeText(Text(units), keyStrokes);
    return Recorded();
  }

 private:
  std::string file_;
};

TEST_F(Wedge, CharacterStylePostsRunsAndPressesTheLineKeys) {
  EXPECT_EQ(Typed({'A', 'B', 13, 'D'}, false),
            (Lines{"post 128 65,66 128,128", "keybd_event 13 0 0", "keybd_event 13 0 2",
                   "post 128 68 128"}));
  EXPECT_EQ(Typed({9, 'x', 10}, false),
            (Lines{"keybd_event 9 0 0", "keybd_event 9 0 2", "post 128 120 128",
                   "keybd_event 10 0 0", "keybd_event 10 0 2"}));
}

TEST_F(Wedge, EmptyTextMakesNoCallInEitherStyle) {
  EXPECT_TRUE(Typed({}, false).empty());
  EXPECT_TRUE(Typed({}, true).empty());
}

TEST_F(Wedge, CharacterStylePostsEveryOtherUnitAsItsSignedValue) {
  // Control characters other than the three line keys travel as characters too.
  EXPECT_EQ(Typed({0x00E9, 0x0011, 0x0000, 0x4E2D, 0x8000, 0xFFFF}, false),
            (Lines{"post 128 233,17,0,20013,-32768,-1 128,128,128,128,128,128"}));
}

TEST_F(Wedge, KeyStrokesPressShiftAroundLettersDigitsAndSymbols) {
  uint64_t start = platform::NowMs();
  Lines lines = Typed({'a', 'B', '1', '!'}, true);
  uint64_t elapsed = platform::NowMs() - start;
  EXPECT_EQ(lines, (Lines{// 'a': Shift let go, then the A key
                          "keybd_event 16 88 6", "keybd_event 65 0 0", "keybd_event 65 0 2",
                          // 'B': capital, its key-up with scan code 2
                          "keybd_event 16 88 4", "keybd_event 66 0 0", "keybd_event 66 2 2",
                          "keybd_event 16 88 6",
                          // '1'
                          "keybd_event 16 88 6", "keybd_event 49 0 0", "keybd_event 49 0 2",
                          // '!': the 1 key with Shift held
                          "keybd_event 16 88 4", "keybd_event 49 0 0", "keybd_event 49 0 2",
                          "keybd_event 16 88 6"}));
  // Six 10 ms pauses: after each Shift change.
  EXPECT_GE(elapsed, 60u);
}

TEST_F(Wedge, KeyStrokesPressTheVirtualKeysOfTheTable) {
  // Plain keys: down and up. Shifted ones: Shift down, the key, Shift up. A sample of the table's
  // rows, its first and last among them.
  const std::pair<uint16_t, int> plain[] = {{'*', 106}, {';', 186}, {'/', 191}, {'\'', 222}};
  for (const auto &[unit, vk] : plain) {
    std::string key = "keybd_event " + std::to_string(vk);
    EXPECT_EQ(Typed({unit}, true), (Lines{key + " 0 0", key + " 0 2"})) << "unit " << unit;
  }
  const std::pair<uint16_t, int> shifted[] = {{')', 48}, {'~', 192}, {'"', 222}, {'_', 189}};
  for (const auto &[unit, vk] : shifted) {
    std::string key = "keybd_event " + std::to_string(vk);
    EXPECT_EQ(Typed({unit}, true),
              (Lines{"keybd_event 16 88 4", key + " 0 0", key + " 0 2", "keybd_event 16 88 6"}))
        << "unit " << unit;
  }
}

TEST_F(Wedge, KeyStrokesPostTabAndCharactersAndSkipUnitsWithoutAKey) {
  EXPECT_EQ(Typed({9, 10}, true), (Lines{"post 0 9 0"}));
  // Units from 0x7F to 0x7FFF are posted as characters, a run of them at once; other control
  // characters and units above 0x7FFF are skipped.
  EXPECT_EQ(
      Typed({0x00, 0x7F, 0xBC, 0x00, 0x01, 0x1B, 0x20AC, 0x4E2D, 0x7FFF, 0x8000, 0xFFFF, ' ', 0xFF},
            true),
      (Lines{"post 128 127,188 128,128", "post 128 8364,20013,32767 128,128,128",
             "keybd_event 32 0 0", "keybd_event 32 0 2", "post 128 255 128"}));
}

TEST_F(Wedge, ControlUnitMakesAChordWithTheNextUnit) {
  EXPECT_EQ(Typed({0x11, 'V'}, true), (Lines{"keybd_event 17 0 0", "keybd_event 86 0 0",
                                             "keybd_event 86 0 2", "keybd_event 17 0 2"}));
  EXPECT_EQ(Typed({0x11, 'v'}, true), (Lines{"keybd_event 17 0 0", "keybd_event 118 0 0",
                                             "keybd_event 118 0 2", "keybd_event 17 0 2"}));
  // The consumed unit is not typed again, even a TAB that would otherwise be posted.
  EXPECT_EQ(
      Typed({0x11, 9, 'x'}, true),
      (Lines{"keybd_event 17 0 0", "keybd_event 9 0 0", "keybd_event 9 0 2", "keybd_event 17 0 2",
             "keybd_event 16 88 6", "keybd_event 88 0 0", "keybd_event 88 0 2"}));
  // Without a next unit there is no chord.
  EXPECT_TRUE(Typed({0x11}, true).empty());
}

// Typed through the virtual keyboard for a layout, read back from its event stream. The keyboard
// is chosen once per process, so these run in a fresh process each (which runs the test body
// again from its start: the file name comes down through the environment).
class WedgeKeysDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  // The key events of typing in a process with the layout and pause, which must skip `skipped`
  // characters.
  static std::string Keys(const char *layout, const char *delayMs, int skipped,
                          const std::function<void()> &type) {
    if (std::getenv("BCR_WEDGE_TEST_EVENTS") == nullptr) {
      setenv("BCR_WEDGE_TEST_EVENTS",
             (::testing::TempDir() + "bcr-wedge-" + std::to_string(getpid()) + ".events").c_str(),
             1);
    }
    const std::string file = std::getenv("BCR_WEDGE_TEST_EVENTS");
    unlink(file.c_str());
    EXPECT_EXIT(test::TypeAndExit(file, layout, delayMs, type), ::testing::ExitedWithCode(skipped),
                "");
    std::string keys = test::KeyString(test::ReadKeyEvents(file));
    unlink(file.c_str());
    return keys;
  }

  static WString Text(std::initializer_list<uint16_t> units) {
    WString text;
    for (uint16_t unit : units) text.AppendUnit(unit);
    return text;
  }
};

TEST_F(WedgeKeysDeathTest, KeyStrokesTypeTheCharactersOfTheLayout) {
  // German: Z on the Y key with and without Shift, 1 and ! on the 1 key, the euro sign with
  // AltGr, sharp s on its own key, one quarter with AltGr (not the comma key its low byte
  // names); e acute (only a dead key has it) and the CJK character skipped and counted.
  EXPECT_EQ(Keys("de", "0", 2,
                 [] {
                   TypeText(Text({'Z', 'z', '1', '!', 0x20AC, 0xDF, 0xBC, 0xE9, 0x4E2D}), true);
                 }),
            "+42 +21 -21 -42 +21 -21 +2 -2 +42 +2 -2 -42 +100 +18 -18 -100 +12 -12 "
            "+100 +5 -5 -100");
  // French, character style: a on the Q key, 1 shifted, e acute on the 2 key.
  EXPECT_EQ(Keys("fr", "0", 1,
                 [] {
                   TypeText(Text({'a', '1', 0xE9, 0x4E2D, 13}), false);
                 }),
            "+16 -16 +42 +2 -2 -42 +3 -3 +28 -28");
  // The control chord keeps its shortcut: Control and the key named V.
  EXPECT_EQ(Keys("fr", "0", 0, [] { TypeText(Text({0x11, 'V'}), true); }), "+29 +47 -47 -29");
}

TEST_F(WedgeKeysDeathTest, TextsTypedAtOnceFromTwoThreadsDoNotInterleave) {
  std::string keys = Keys("us", "2", 0, [] {
    std::thread other([] { TypeText(Text({'b', 'b', 'b', 'b'}), true); });
    TypeText(Text({'a', 'a', 'a', 'a'}), true);
    other.join();
  });
  const std::string a = "+30 -30 +30 -30 +30 -30 +30 -30";
  const std::string b = "+48 -48 +48 -48 +48 -48 +48 -48";
  EXPECT_TRUE(keys == a + " " + b || keys == b + " " + a) << keys;
}

}  // namespace
}  // namespace bcr
