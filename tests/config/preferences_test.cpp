// The user preferences: the decode time-out, parameter 0x89 and the trigger mode with the
// continuous-mode switch.
#include "config/preferences.h"

#include <gtest/gtest.h>

#include "config/handlers.h"
#include "decode/reception.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "sim_engine_fixture.h"
#include "state/library_state.h"
#include "state/settings.h"

namespace bcr {
namespace {

int32_t *const n = nullptr;

class Preferences : public test::SimEngineModeTest {
 protected:
  void SetUp() override {
    SimEngineModeTest::SetUp();
    CurrentSettings().decodeTimeout = 3;
  }
  // A write that succeeds, and what it sent.
  std::string Write4507(int32_t *a1, int32_t *a2, int32_t *a3) {
    EXPECT_EQ(UserPreferences4507(engine_, 'w', a1, a2, a3), 1);
    return TakeHex();
  }
  std::string WriteSE955(int32_t *a1, int32_t *a3, int32_t *a5, int32_t *a6, int32_t *a7) {
    EXPECT_EQ(UserPreferencesSE955(engine_, 'w', a1, n, a3, n, a5, a6, a7), 1);
    return TakeHex();
  }
};

TEST_F(Preferences, TimeOutBelowOneBecomesThreeSecondsAndSetsTheDecodeWait) {
  Start4507();
  int32_t tenths = 0;
  // Without a trigger mode 0x89 goes as 0, while its entry is unknown.
  EXPECT_EQ(Write4507(&tenths, n, n), "09 C6 04 08 FF 88 1E 89 00 FC F7");
  EXPECT_EQ(tenths, 30);
  EXPECT_EQ(CurrentSettings().decodeTimeout, 3);
  // A negative time-out is replaced as well.
  const struct {
    int32_t tenths, seconds;
    const char *sent;
  } kWrites[] = {{5, 0, "07 C6 04 08 FF 88 05 FD 9B"},
                 {255, 25, "07 C6 04 08 FF 88 FF FC A1"},
                 {-4, 3, "07 C6 04 08 FF 88 1E FD 82"}};
  for (const auto &write : kWrites) {
    tenths = write.tenths;
    EXPECT_EQ(Write4507(&tenths, n, n), write.sent);
    EXPECT_EQ(CurrentSettings().decodeTimeout, write.seconds);
  }
}

// The time-out in whole seconds is the wait of each reception; below one second it waits 500 ms.
TEST_F(Preferences, DecodeWaitFollowsTheTimeOut) {
  Start4507();
  const struct {
    int32_t tenths;
    uint64_t waitMs;
  } kWaits[] = {{5, 500}, {10, 1000}, {19, 1000}, {20, 2000}};
  for (const auto &wait : kWaits) {
    SCOPED_TRACE(wait.tenths);
    int32_t tenths = wait.tenths;
    ASSERT_EQ(UserPreferences4507(engine_, 'w', &tenths, n, n), 1);
    EXPECT_EQ(DecodeWaitMs(), wait.waitMs);
    Decode decode;
    const uint64_t start = platform::NowMs();
    EXPECT_EQ(ReceiveDecode(engine_, decode, DecodeWaitMs(), Reception::kAutomatic), 0);
    const uint64_t took = platform::NowMs() - start;
    EXPECT_GE(took, wait.waitMs - 20);
    EXPECT_LT(took, wait.waitMs + 3000);
  }
}

TEST_F(Preferences, ImagerParameter89TravelsOnlyWithATriggerMode) {
  Start4507();
  int32_t param89 = 9, trigger = 8;
  EXPECT_EQ(Write4507(n, &param89, n), "07 C6 04 08 FF 89 00 FD 9F");
  EXPECT_EQ(Write4507(n, &param89, &trigger), "09 C6 04 08 FF 89 09 8A 08 FD 02");
  EXPECT_EQ(Write4507(n, n, &trigger), "07 C6 04 08 FF 89 06 FD 99");

  int32_t timeout = 0, read89 = 0, readTrigger = 0;
  EXPECT_EQ(UserPreferences4507(engine_, 'r', &timeout, &read89, &readTrigger), 1);
  EXPECT_EQ(TakeHex(), "07 C7 04 00 88 89 8A FD 93");
  EXPECT_EQ(timeout, 30);
  EXPECT_EQ(read89, 6);
  EXPECT_EQ(readTrigger, 8);
}

TEST_F(Preferences, ImagerTriggerModeSevenSwitchesTheContinuousModeOnAndOthersOff) {
  Start4507();
  int32_t trigger = 7;
  EXPECT_EQ(Write4507(n, n, &trigger), "09 C6 04 08 FF 89 06 8A 07 FD 06");
  EXPECT_EQ(engine_.triggerMode, 7u);
  EXPECT_TRUE(InContinuousMode(engine_));
  EXPECT_EQ(TakeReports(), 1);

  // Written again although nothing is sent: reported all the same.
  EXPECT_EQ(Write4507(n, n, &trigger), "");
  EXPECT_EQ(TakeReports(), 1);

  trigger = 8;
  EXPECT_EQ(UserPreferences4507(engine_, 'w', n, n, &trigger), 1);
  EXPECT_EQ(engine_.triggerMode, 8u);
  EXPECT_FALSE(InContinuousMode(engine_));
  EXPECT_EQ(TakeReports(), 1);
}

TEST_F(Preferences, FailedImagerWriteKeepsTheTimeOutButDoesNotSwitch) {
  Start4507();
  sim_->SetNakAll(true);
  int32_t tenths = 0, trigger = 7;
  EXPECT_EQ(UserPreferences4507(engine_, 'w', &tenths, n, &trigger), 0);
  EXPECT_EQ(tenths, 30);
  EXPECT_EQ(CurrentSettings().decodeTimeout, 3);
  EXPECT_EQ(engine_.triggerMode, kInitialTriggerMode);
  EXPECT_EQ(TakeReports(), 0);
}

TEST_F(Preferences, SE955Parameter89FollowsTheTriggerModeUnlessGiven) {
  StartSE955();
  int32_t trigger = 4, param89 = 5;
  EXPECT_EQ(WriteSE955(n, n, n, n, &trigger), "09 C6 04 08 FF 89 02 8A 04 FD 0D");
  EXPECT_EQ(engine_.triggerMode, 4u);
  trigger = 8;
  EXPECT_EQ(WriteSE955(n, n, n, n, &trigger), "09 C6 04 08 FF 89 0A 8A 08 FD 01");
  EXPECT_EQ(WriteSE955(n, &param89, n, n, &trigger), "07 C6 04 08 FF 89 05 FD 9A");
}

TEST_F(Preferences, SE955TriggerModeFourSwitchesTheContinuousMode) {
  StartSE955();
  int32_t trigger = 4;
  ASSERT_EQ(UserPreferencesSE955(engine_, 'w', n, n, n, n, n, n, &trigger), 1);
  EXPECT_TRUE(InContinuousMode(engine_));
  EXPECT_EQ(TakeReports(), 1);

  trigger = 7;
  ASSERT_EQ(UserPreferencesSE955(engine_, 'w', n, n, n, n, n, n, &trigger), 1);
  EXPECT_FALSE(InContinuousMode(engine_));
  EXPECT_EQ(TakeReports(), 1);
}

TEST_F(Preferences, RefusedSE955WriteTakesItsTimeOutButReportsNoModeChange) {
  StartSE955();
  sim_->SetNakAll(true);
  int32_t tenths = 50, trigger = 8;
  EXPECT_EQ(UserPreferencesSE955(engine_, 'w', &tenths, n, n, n, n, n, &trigger), 0);
  EXPECT_EQ(CurrentSettings().decodeTimeout, 5);
  EXPECT_EQ(TakeReports(), 0);
}

TEST_F(Preferences, FifthSE955ArgumentCountsOnlyAsGiven) {
  StartSE955();
  int32_t fifth = 1;
  // Parameter 0x89 is always passed on: 0 goes out while its entry is unknown.
  EXPECT_EQ(WriteSE955(n, n, &fifth, n, n), "07 C6 04 08 FF 89 00 FD 9F");
  EXPECT_EQ(CachedValue(engine_, UserPreferences1DParam(), 5), -1);
  EXPECT_EQ(UserPreferencesSE955(engine_, 'x', n, n, n, n, &fifth, n, n), 0);
  // A read asks for 0x43 but leaves the fifth variable alone.
  fifth = -3;
  EXPECT_EQ(UserPreferencesSE955(engine_, 'r', n, n, n, n, &fifth, n, n), 1);
  EXPECT_EQ(fifth, -3);
  EXPECT_EQ(TakeHex(), "0A C7 04 00 88 BF 89 4E 43 8A FC 40");
}

}  // namespace
}  // namespace bcr
