// Beeper and NotificationSettings, with the sound going to a record file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/settings.h"
#include "notify/beeper.h"
#include "notify/notification_settings.h"

namespace bcr {
namespace {

using Lines = std::vector<std::string>;

// The sound sink is chosen once per process, so every test of the process shares this file.
std::string RecordFile() {
  return "/tmp/bcr-notify-" + std::to_string(getpid()) + ".rec";
}

Lines Recorded() {
  Lines lines;
  std::ifstream in(RecordFile());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Notify : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("BCREADER_SOUND", ("record:" + RecordFile()).c_str(), 1);
    std::remove(RecordFile().c_str());
    ResetSettings();
  }
  void TearDown() override { std::remove(RecordFile().c_str()); }
};

TEST_F(Notify, BeeperStopsThenPlaysEachTableSound) {
  const char *const names[] = {"Default",  "Hwandsw", "MenuPop",   "MsgBox_CE", "Notify_CE",
                               "VoicBeep", "Alarm2",  "Alarm3_CE", "LowBatt_CE"};
  Lines expected;
  for (int32_t sound = 1; sound <= 9; ++sound) {
    EXPECT_EQ(BeeperResult(sound, "ignored.wav"), 1) << sound;
    expected.push_back("stop");
    expected.push_back(std::string("play 139264 \\Windows\\") + names[sound - 1]);
  }
  EXPECT_EQ(Recorded(), expected);
}

TEST_F(Notify, BeeperOutsideTheTableStopsButPlaysNothing) {
  EXPECT_EQ(BeeperResult(0, nullptr), 1);
  EXPECT_EQ(BeeperResult(INT32_MIN, nullptr), 1);
  EXPECT_EQ(BeeperResult(10, nullptr), 4);  // above the table: not even a stop
  EXPECT_EQ(BeeperResult(INT32_MAX, "/tmp/x.wav"), 4);
  EXPECT_EQ(BeeperResult(-1, nullptr), -242);
  EXPECT_EQ(Recorded(), (Lines{"stop", "stop"}));
}

TEST_F(Notify, BeeperPlaysAGivenPathAsItIs) {
  EXPECT_EQ(BeeperResult(-1, "/usr/share/sounds/ding.wav"), 1);
  EXPECT_EQ(BeeperResult(-1, "\\Windows\\Alarm2"), 1);
  EXPECT_EQ(Recorded(), (Lines{"stop", "play 139264 /usr/share/sounds/ding.wav", "stop",
                               "play 139264 \\Windows\\Alarm2"}));
}

TEST_F(Notify, SettingsReadAndWriteTheGivenValuesUnchecked) {
  int32_t got[4] = {-7, -7, -7, -7};
  EXPECT_EQ(NotificationSettingsResult('r', &got[0], &got[1], &got[2], &got[3]), 1);
  EXPECT_EQ((std::vector<int32_t>(got, got + 4)), (std::vector<int32_t>{2, 0, 2, 0}));

  int32_t vibrate = 1, led = -5, sound = 42, units = -1;
  EXPECT_EQ(NotificationSettingsResult('w', nullptr, &vibrate, nullptr, &led), 1);
  EXPECT_EQ(NotificationSettingsResult('w', &sound, nullptr, &units, nullptr), 1);
  EXPECT_EQ(NotificationSettingsResult('r', &got[0], &got[1], &got[2], &got[3]), 1);
  EXPECT_EQ((std::vector<int32_t>(got, got + 4)), (std::vector<int32_t>{42, 1, -1, -5}));
  EXPECT_EQ(CurrentSettings().vibrateUnits.load(), 0xFFFFFFFFu);
}

TEST_F(Notify, SettingsWithAnotherModeOrNoPointersDoNothing) {
  int32_t values[4] = {9, 9, 9, 9};
  EXPECT_EQ(NotificationSettingsResult('x', &values[0], &values[1], &values[2], &values[3]), 0);
  EXPECT_EQ(NotificationSettingsResult('R', &values[0], &values[1], &values[2], &values[3]), 0);
  EXPECT_EQ(NotificationSettingsResult('r', nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(NotificationSettingsResult('w', nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ((std::vector<int32_t>(values, values + 4)), (std::vector<int32_t>{9, 9, 9, 9}));
  EXPECT_EQ(CurrentSettings().goodReadSound, 2);
  EXPECT_EQ(CurrentSettings().vibrateUnits, 2u);
}

}  // namespace
}  // namespace bcr
