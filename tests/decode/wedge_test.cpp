// The keyboard wedge as the keyboard sees it: every key event and posted character recorded by
// the record: sink, compared line by line.
#include "decode/wedge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/keyboard_sink.h"

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
  // Plain keys: down and up. Shifted ones: Shift down, the key, Shift up. Every symbol row of the
  // table, written out.
  const std::tuple<uint16_t, int, bool> rows[] = {
      {'*', 106, false},  {'+', 107, false},  {';', 186, false}, {'=', 187, false},
      {',', 188, false},  {'-', 189, false},  {'.', 190, false}, {'/', 191, false},
      {'\\', 220, false}, {'[', 219, false},  {']', 221, false}, {' ', 32, false},
      {'`', 192, false},  {'\'', 222, false}, {'\r', 13, false}, {'!', 49, true},
      {'@', 50, true},    {'#', 51, true},    {'$', 52, true},   {'%', 53, true},
      {'^', 54, true},    {'&', 55, true},    {'(', 57, true},   {')', 48, true},
      {'~', 192, true},   {'{', 219, true},   {'}', 221, true},  {'|', 220, true},
      {':', 186, true},   {'"', 222, true},   {'<', 188, true},  {'>', 190, true},
      {'?', 191, true},   {'_', 189, true}};
  for (const auto &[unit, vk, shifted] : rows) {
    const std::string key = "keybd_event " + std::to_string(vk);
    Lines lines{key + " 0 0", key + " 0 2"};
    if (shifted) lines = {"keybd_event 16 88 4", lines[0], lines[1], "keybd_event 16 88 6"};
    EXPECT_EQ(Typed({unit}, true), lines) << "unit " << unit;
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

TEST_F(Wedge, TextsTypedAtOnceFromTwoThreadsDoNotInterleave) {
  Lines a, b;
  for (int i = 0; i < 4; ++i) {
    a.insert(a.end(), {"keybd_event 16 88 6", "keybd_event 65 0 0", "keybd_event 65 0 2"});
    b.insert(b.end(), {"keybd_event 16 88 6", "keybd_event 66 0 0", "keybd_event 66 0 2"});
  }
  std::thread other([] { TypeText(Text({'b', 'b', 'b', 'b'}), true); });
  TypeText(Text({'a', 'a', 'a', 'a'}), true);
  other.join();
  Lines ab = a, ba = b;
  ab.insert(ab.end(), b.begin(), b.end());
  ba.insert(ba.end(), a.begin(), a.end());
  Lines lines = Recorded();
  EXPECT_TRUE(lines == ab || lines == ba) << testing::PrintToString(lines);
}

}  // namespace
}  // namespace bcr
