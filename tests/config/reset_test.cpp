// The start-up read, the fixed preference defaults and the reset to defaults on both engines.
#include "config/reset.h"

#include <gtest/gtest.h>

#include <utility>

#include "config/handlers.h"
#include "config/startup_read.h"
#include "platform/sync.h"
#include "reader/device_queries.h"
#include "sim_engine_fixture.h"
#include "state/library_state.h"
#include "state/settings.h"

namespace bcr {
namespace {

using test::Frames;
using Defaults = std::vector<std::pair<uint32_t, uint32_t>>;

const char kDefaults4507[] = "11 C6 04 08 FF 8A 08 EC 00 EE 01 9B 14 88 1E 9F 01 F9 BC";
const char kDefaultsSE955[] = "13 C6 04 08 FF 8A 08 EC 00 EE 01 9B 14 88 1E 9F 01 ED 00 F8 CD";

// What a reset leaves in the engine, parameter by parameter. 0x50 belongs to EAN/JAN (10) and
// UPC (0); UPC is written later.
const Defaults kLinearDefaults = {
    {0x00, 1},  {0x0D, 0},  {0x56, 0},   {0xE7, 0},   {0x30, 0},   {0x2B, 0},   {0x11, 0},
    {0x12, 4},  {0x13, 55}, {0x09, 1},   {0x1A, 4},   {0x1B, 55},  {0x0A, 1},   {0x1C, 4},
    {0x1D, 55}, {0x34, 0},  {0x2F, 0},   {0x05, 1},   {0x14, 4},   {0x15, 55},  {0x06, 1},
    {0x16, 4},  {0x17, 55}, {0x31, 0},   {0x2C, 0},   {0x52, 0},   {0x07, 1},   {0x18, 4},
    {0x19, 55}, {0x36, 0},  {0x37, 0},   {0x08, 1},   {0x0E, 1},   {0x54, 1},   {0x0B, 1},
    {0x1E, 4},  {0x1F, 55}, {0x32, 0},   {0x2E, 0},   {0x33, 1},   {0x04, 1},   {0x03, 1},
    {0x53, 1},  {0x10, 0},  {0x50, 0},   {0x27, 0},   {0x55, 0},   {0x01, 1},   {0x02, 1},
    {0x0C, 0},  {0x28, 1},  {0x29, 1},   {0x2A, 1},   {0x22, 1},   {0x23, 1},   {0x24, 1},
    {0x25, 0},  {0x26, 0},  {0xF098, 1}, {0xF052, 1}, {0xF053, 1}, {0xF054, 1}, {0xF08D, 0},
    {0xEC, 0},  {0xEE, 1},  {0x9B, 20},  {0x9F, 1},   {0x88, 30},  {0x8A, 8},
};
const Defaults kImagerDefaults = {
    {0xF141, 0},    {0xDF, 10},  {0x44, 0},   {0xF055, 1}, {0xF056, 0}, {0xF073, 0},
    {0xF058, 1},    {0xF08E, 1}, {0xF0AB, 0}, {0x59, 1},   {0x5A, 1},   {0x5B, 1},
    {0x60, 1},      {0x5F, 1},   {0xF022, 1}, {0xF023, 1}, {0xF046, 1}, {0xF029, 1},
    {0xF02A, 1},    {0xF032, 2}, {0xF0AD, 0}, {0xF068, 1}, {0xF069, 1}, {0xF4F0A7, 100},
    {0xF4F137, 10}, {0xF043, 0}, {0xF02C, 1}, {0xF02E, 0}, {0xF02B, 1}, {0xF031, 65},
    {0xF131, 40},   {0xF030, 1}, {0xF02F, 2}, {0xF16A, 1}, {0xF16B, 4}, {0xF16C, 55},
    {0xF16D, 0},    {0xF16E, 0}, {0xF16F, 0}, {0x0F, 1},   {0xE3, 0},   {0x7B, 0},
    {0xF024, 1},    {0xF14C, 0}, {0xF119, 0}, {0xF026, 1}, {0xF025, 1}, {0xF14B, 0},
    {0xF13D, 1},    {0xF13E, 1}, {0xF14D, 0}, {0xBC, 4},   {0xB8, 0},   {0xE9, 0},
    {0x4E, 1},      {0x4D, 0},   {0xF07D, 6}, {0x2D, 0},   {0xEB, 0},   {0x5E, 0},
    {0x89, 6},
};
const Defaults kSE955Defaults = {
    {0x4D, 0}, {0xBF, 6}, {0x89, 10}, {0x4E, 1}, {0x43, 1}, {0xED, 0},
};

class Reset : public test::SimEngineModeTest {
 protected:
  // Every parameter the reset should set is moved away from its default first.
  void Disturb(const Defaults &defaults) {
    for (const auto &[number, value] : defaults) sim_->SetParam(number, value + 3);
  }
  void ExpectInEngine(const Defaults &defaults) {
    for (const auto &[number, value] : defaults) {
      EXPECT_EQ(Param(number), value) << "parameter 0x" << std::hex << number;
    }
  }
  // Library settings away from their values at load.
  static void ChangeSettings() {
    CurrentSettings().goodReadSound = 5;
    CurrentSettings().keyboardOutputMode = 2;
    CurrentSettings().decodeTimeout = 9;
    SetOutputPrefix("pre");
  }
  static void ExpectSettingsAtLoad() {
    EXPECT_EQ(CurrentSettings().goodReadSound, 2);
    EXPECT_EQ(CurrentSettings().keyboardOutputMode, 0);
    EXPECT_EQ(CurrentSettings().decodeTimeout, 3);
    EXPECT_EQ(OutputPrefix().Size(), 0u);
  }
};

// Without an engine, or with another selector, nothing is sent and nothing changes.
TEST_F(Reset, SelectorsAndMissingEngine) {
  EXPECT_EQ(ResetAllSettings(engine_, kResetAllSelector), 0);
  EXPECT_EQ(ResetReader(engine_, kReaderDevice), kResultNoEngine);
  StartSE955();
  ChangeSettings();
  EXPECT_EQ(ResetReader(engine_, 1), 0);
  EXPECT_EQ(ResetAllSettings(engine_, 7), 0);
  EXPECT_EQ(CurrentSettings().goodReadSound, 5);
  EXPECT_EQ(TakeHex(), "");
}

TEST_F(Reset, ImagerResetLeavesTheDefaultsInTheEngineAndNoContinuousMode) {
  Start4507();
  Disturb(kLinearDefaults);
  Disturb(kImagerDefaults);
  ChangeSettings();

  EXPECT_EQ(ResetReader(engine_, kReaderDevice), 1);
  ExpectSettingsAtLoad();
  ExpectInEngine(kLinearDefaults);
  ExpectInEngine(kImagerDefaults);
  Frames frames = TakeFrames();
  ASSERT_EQ(frames.size(), 22u);
  EXPECT_EQ(test::HexText({frames.front()}), kDefaults4507);
  EXPECT_EQ(engine_.triggerMode, 8u);
  EXPECT_EQ(CachedValue(engine_, SymbologiesParam(), 12), 0);
  EXPECT_EQ(CachedValue(engine_, MiscellaneousOptionParam(), 2), -1);
  EXPECT_FALSE(InContinuousMode(engine_));

  // Everything cached now: besides the fixed frame only imager option 8 goes again.
  EXPECT_EQ(ResetReader(engine_, kAnyDevice), 1);
  EXPECT_EQ(TakeHex(), std::string(kDefaults4507) + " | 0A C6 04 08 FF F4 F1 37 00 0A FB FF");
}

TEST_F(Reset, SE955ResetLeavesTheDefaultsAndParameter89ForTheTriggerMode) {
  StartSE955();
  Disturb(kLinearDefaults);
  Disturb(kSE955Defaults);
  sim_->SetParam(0x2D, 5);

  EXPECT_EQ(ResetReader(engine_, kAnyDevice), 1);
  ExpectInEngine(kLinearDefaults);
  ExpectInEngine(kSE955Defaults);
  EXPECT_EQ(Param(0x2D), 5u);  // the SE955 reset leaves the miscellaneous option
  Frames frames = TakeFrames();
  ASSERT_EQ(frames.size(), 15u);
  EXPECT_EQ(test::HexText({frames.front()}), kDefaultsSE955);
  EXPECT_EQ(test::HexText({frames.back()}), "07 C6 04 08 FF 89 0A FD 95");
  EXPECT_EQ(engine_.triggerMode, 8u);
  EXPECT_FALSE(InContinuousMode(engine_));
  EXPECT_EQ(TakeReports(), 1);
}

TEST_F(Reset, SE955ResetAfterTheStartUpReadSendsTheTriggerModeFieldItself) {
  StartSE955();
  // The engine already holds every value of the reset's own user-preference write.
  sim_->SetParam(0x89, 1);
  ReadAllSettings(engine_);
  TakeFrames();

  EXPECT_EQ(ResetReader(engine_, kReaderDevice), 1);
  EXPECT_EQ(test::HexText({TakeFrames().back()}), "09 C6 04 08 FF 89 0A 8A 06 FD 03");
  EXPECT_EQ(engine_.triggerMode, kInitialTriggerMode);
  EXPECT_EQ(Param(0x8A), 6u);
  EXPECT_EQ(Param(0x89), 10u);
}

TEST_F(Reset, SilentEngineStillResetsTheSettingsAndKeepsTheCache) {
  StartSE955();
  sim_->SetNakAll(true);
  ChangeSettings();
  EXPECT_EQ(ResetReader(engine_, kReaderDevice), 1);
  ExpectSettingsAtLoad();
  EXPECT_EQ(CachedValue(engine_, Code39Param(), 1), -1);
  EXPECT_EQ(CachedValue(engine_, UserPreferences1DParam(), 7), -1);
  EXPECT_EQ(engine_.triggerMode, kInitialTriggerMode);
  // The failed write switched nothing.
  EXPECT_EQ(TakeReports(), 0);
}

// An engine that answers nothing at all to a step is not there: no step follows. One that refuses
// every frame is there, and every step is still tried.
TEST_F(Reset, SilenceEndsTheSequenceRefusalsDoNot) {
  StartSE955();
  sim_->SetSilent(true);
  EXPECT_EQ(ResetAllSettings(engine_, kResetAllSelector), 1);
  EXPECT_EQ(TakeHex(), std::string(kDefaultsSE955) + " | " + kDefaultsSE955 + " | " +
                           kDefaultsSE955 + " | " + kDefaultsSE955 + " | " + kDefaultsSE955);
  sim_->SetSilent(false);
  sim_->SetNakAll(true);
  EXPECT_EQ(ResetAllSettings(engine_, kResetAllSelector), 1);
  const Frames frames = TakeFrames();
  EXPECT_EQ(frames.size(), 14u * 5u);  // the defaults and 13 handlers, five attempts each
  EXPECT_EQ(test::HexText({frames.back()}),
            "11 C6 04 08 FF 88 1E BF 06 89 01 4E 01 43 01 8A 08 FB 04");
}

class StartupRead : public test::SimEngineTest {};

TEST_F(StartupRead, ReadsEverySE955HandlerInOrderAndFillsTheCache) {
  StartSE955();
  ReadAllSettings(engine_);
  EXPECT_EQ(TakeHex(),
            "13 C7 04 00 01 02 0C 10 50 28 29 2A 22 23 24 25 26 55 4D FC E2 | "
            "07 C7 04 00 08 0E 54 FE C4 | "
            "0D C7 04 00 00 0D 56 E7 30 2B 11 12 13 FD 4D | "
            "07 C7 04 00 09 1A 1B FE F0 | "
            "0A C7 04 00 06 16 17 31 2C 52 FE 49 | "
            "07 C7 04 00 05 14 15 FF 00 | "
            "09 C7 04 00 07 18 19 36 37 FE 87 | "
            "0A C7 04 00 0B 1E 1F 32 2E 33 FE 50 | "
            "0C C7 04 00 F0 52 F0 53 F0 54 F0 8D F9 E3 | "
            "0C C7 04 00 04 03 53 10 50 27 55 4D FD A6 | "
            "0A C7 04 00 2D 69 68 6A EB 5E FC 7A | "
            "0A C7 04 00 88 BF 89 4E 43 8A FC 40 | "
            "09 C7 04 00 0A 1C 1D 34 2F FE 86 | "
            "06 C7 04 00 F0 98 FD A7");
  EXPECT_EQ(CachedValue(engine_, Code39Param(), 8), static_cast<int32_t>(Param(0x12)));
  EXPECT_EQ(CachedValue(engine_, EanJanParam(), 5), static_cast<int32_t>(Param(0x50)));
  EXPECT_EQ(CachedValue(engine_, UserPreferences1DParam(), 7), 8);
  EXPECT_EQ(CachedValue(engine_, Chinese2Of5Param(), 1), 0);
  // Only the SE955's handlers, and nothing written.
  EXPECT_EQ(CachedValue(engine_, Code128Param(), 4), -1);
  EXPECT_EQ(engine_.triggerMode, kInitialTriggerMode);
}

TEST_F(StartupRead, FailedReadLeavesItsEntriesUnknownAndTheRestGoesOn) {
  StartSE955();
  sim_->NakNext(5);
  ReadAllSettings(engine_);
  EXPECT_EQ(CachedValue(engine_, UpcParam(), 1), -1);
  EXPECT_EQ(CachedValue(engine_, Code128Param(), 1), static_cast<int32_t>(Param(0x08)));
  EXPECT_EQ(CachedValue(engine_, Chinese2Of5Param(), 1), 0);
}

}  // namespace
}  // namespace bcr
