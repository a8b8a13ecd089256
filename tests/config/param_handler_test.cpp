// The read and write procedures every handler shares: the cache rules, the failures, the values
// a frame cannot carry, and the parsing of replies.
#include "config/param_handler.h"

#include <gtest/gtest.h>

#include "config/handlers.h"
#include "sim_engine_fixture.h"

namespace bcr {
namespace {

using test::Bytes;
using test::Frames;

int32_t *const n = nullptr;

class ParamHandlerTest : public test::SimEngineTest {
 protected:
  // The imager's options 7 (a number sent as a word with a high byte of 0) and 8 (a word).
  int32_t Imager(int32_t *seven, int32_t *eight) {
    return CallHandler(ImagerParam(), engine_, 'w',
                       {n, n, n, n, n, n, seven, eight, n, n, n, n, n, n, n, n});
  }
};

TEST_F(ParamHandlerTest, MinusOneEqualsAnUnknownEntryAndIsNotSent) {
  StartSE955();
  int32_t unknown = -1, length1 = 4, length2 = 55;
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'w', {&unknown, &length1, &length2}), 1);
  EXPECT_EQ(TakeHex(), "09 C6 04 08 FF 1A 04 1B 37 FD B6");
  EXPECT_EQ(CachedValue(engine_, Code93Param(), 1), -1);

  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'w', {&unknown, nullptr, nullptr}), 1);
  EXPECT_EQ(TakeHex(), "");
}

TEST_F(ParamHandlerTest, OptionsOfTheOtherEngineAreLeftAlone) {
  StartSE955();
  int32_t enable = 1, concatenation = 3, redundancy = 4;
  EXPECT_EQ(CallHandler(Code128Param(), engine_, 'w', {&enable, n, n, &concatenation, &redundancy}),
            1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 08 01 FE 1F");
  EXPECT_EQ(CachedValue(engine_, Code128Param(), 4), -1);
  EXPECT_EQ(CachedValue(engine_, Code128Param(), 5), -1);

  // Only they given: nothing to send.
  EXPECT_EQ(CallHandler(Code128Param(), engine_, 'w', {n, n, n, &concatenation, &redundancy}), 1);
  EXPECT_EQ(TakeHex(), "");
}

TEST_F(ParamHandlerTest, UnknownModeOrUnservedEngineTouchesNothing) {
  StartSE955();
  int32_t value = 1;
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'x', {&value, &value, &value}), 0);
  EXPECT_EQ(CallHandler(UserPreferences2DParam(), engine_, 'r', {&value, &value, &value}), 0);
  EXPECT_EQ(CallHandler(PostalCodeParam(), engine_, 'w',
                        {&value, &value, &value, &value, &value, &value, &value, &value}),
            0);
  engine_.link.SetDeviceType(kNoEngine);
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'r', {&value, &value, &value}), 0);
  // A pointer list of the wrong length is refused.
  engine_.link.SetDeviceType(kEngineSE955);
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'w', {&value, &value}), 0);
  EXPECT_EQ(TakeHex(), "");
  EXPECT_EQ(value, 1);
}

// A value a frame byte cannot carry would be cut to its low byte, and the frame would carry a
// checksum of the uncut value: nothing is sent and the cache stays.
TEST_F(ParamHandlerTest, ValuesAFrameCannotCarryFailTheWriteBeforeAnythingIsSent) {
  StartSE955();
  int32_t enable = 0, length1 = 255, length2 = 20;
  ASSERT_EQ(CallHandler(Code93Param(), engine_, 'w', {nullptr, &length1, nullptr}), 1);
  TakeFrames();
  // -1 is out of range too once the entry is known.
  for (int32_t bad : {-2, -1}) {
    length1 = bad;
    EXPECT_EQ(CallHandler(Code93Param(), engine_, 'w', {&enable, &length1, &length2}), 0);
  }
  EXPECT_EQ(TakeHex(), "");
  EXPECT_EQ(CachedValue(engine_, Code93Param(), 2), 255);
  EXPECT_EQ(CachedValue(engine_, Code93Param(), 3), -1);
  EXPECT_EQ(Param(0x1A), 255u);
}

TEST_F(ParamHandlerTest, WordParametersCarryTheirRange) {
  Start4507();
  int32_t low = 256, word = 65536;
  EXPECT_EQ(Imager(&low, &word), 0);
  low = 100;
  EXPECT_EQ(Imager(&low, &word), 0);
  EXPECT_EQ(TakeHex(), "");

  word = 65535;
  EXPECT_EQ(Imager(&low, &word), 1);
  EXPECT_EQ(Param(0xF4F137), 65535u);
  EXPECT_EQ(Param(0xF4F0A7), 100u);
}

TEST_F(ParamHandlerTest, OptionMissingFromTheReplyKeepsItsVariableAndItsCacheEntry) {
  StartSE955();
  sim_->SetParam(0x1A, 12);
  sim_->OmitParamFromReplies(0x1A);
  int32_t enable = -5, length1 = 12, length2 = -5;
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'r', {&enable, &length1, &length2}), 1);
  EXPECT_EQ(length1, 12);
  EXPECT_EQ(CachedValue(engine_, Code93Param(), 2), -1);

  // So the caller's value is still sent, even when it matches what the engine was never asked.
  TakeFrames();
  length1 = 12;
  sim_->SetParam(0x1A, 40);
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'w', {nullptr, &length1, nullptr}), 1);
  EXPECT_EQ(Param(0x1A), 12u);
}

// The trigger-mode field follows a write that sent a frame, even one without 0x8A itself.
TEST_F(ParamHandlerTest, TriggerModeFollowsSuccessfulWritesThatSentAFrame) {
  Start4507();
  int32_t timeout = 30, trigger = 8;
  ASSERT_EQ(CallHandler(UserPreferences2DParam(), engine_, 'r', {n, n, &trigger}), 1);
  EXPECT_EQ(engine_.triggerMode, kInitialTriggerMode);
  TakeFrames();
  ASSERT_EQ(CallHandler(UserPreferences2DParam(), engine_, 'w', {&timeout, n, &trigger}), 1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 88 1E FD 82");
  EXPECT_EQ(engine_.triggerMode, 8u);
}

// A failed read leaves the variable and the cache; the library-kept value is stored and
// returned whatever the engine does.
TEST_F(ParamHandlerTest, FailedExchangesLeaveTheCacheButNotTheLibraryKeptValue) {
  StartSE955();
  int32_t length1 = 4;
  ASSERT_EQ(CallHandler(Code93Param(), engine_, 'w', {n, &length1, n}), 1);
  sim_->SetNakAll(true);
  length1 = -6;
  EXPECT_EQ(CallHandler(Code93Param(), engine_, 'r', {n, &length1, n}), 0);
  EXPECT_EQ(length1, -6);
  EXPECT_EQ(CachedValue(engine_, Code93Param(), 2), 4);

  int32_t kept = 1234567, timeout = 40, read = 0;
  EXPECT_EQ(CallHandler(UserPreferences1DParam(), engine_, 'w', {&timeout, n, n, n, n, &kept, n}),
            0);
  EXPECT_EQ(engine_.libraryKeptValue, 1234567);
  EXPECT_EQ(CallHandler(UserPreferences1DParam(), engine_, 'r', {n, n, n, n, n, &read, n}), 0);
  EXPECT_EQ(read, 1234567);
}

TEST(ParamReply, OnlyAParameterFrameFromTheEngineIsAccepted) {
  EXPECT_TRUE(IsParamReply(Bytes({0x05, 0xC6, 0x00, 0x00, 0xFF})));
  EXPECT_FALSE(IsParamReply(Bytes({0x07, 0xC6, 0x00, 0x00, 0xFE, 0x09, 0x01})));
  EXPECT_FALSE(IsParamReply(Bytes({0x04, 0xD0, 0x00, 0x00})));
  EXPECT_FALSE(IsParamReply(Bytes({0x07, 0xC6, 0x04, 0x00, 0xFF, 0x09, 0x01})));
  EXPECT_FALSE(IsParamReply(Bytes({0x07, 0xC6, 0x00, 0x08, 0xFF, 0x09, 0x01})));
  EXPECT_FALSE(IsParamReply(Bytes({0x05, 0xC6, 0x00, 0x00})));
}

struct Parsed {
  int32_t values[kMaxHandlerArgs];
  bool found[kMaxHandlerArgs];
};

Parsed Parse(const ParamHandler &handler, int32_t deviceType, const Bytes &reply) {
  Parsed parsed{};
  for (int32_t &value : parsed.values) value = -9;
  ParseParamReply(handler, deviceType, reply, parsed.values, parsed.found);
  return parsed;
}

// The scan over prefix bytes is the handler tables' read-back; here what it must not report.
TEST(ParamReply, OtherEnginesNumbersAndANumberWithoutValueAreNotReported) {
  // On the SE955 0x41 and 0xDF are no numbers of Code 128; 0x08 comes twice and keeps the later
  // value; 0x54 in the last byte has no value.
  Parsed p = Parse(
      Code128Param(), kEngineSE955,
      {0x0F, 0xC6, 0x00, 0x00, 0xFF, 0x08, 0x01, 0xF1, 0x41, 0x05, 0xDF, 0x0A, 0x08, 0x00, 0x54});
  EXPECT_EQ(p.values[0], 0);
  EXPECT_FALSE(p.found[2]);
  EXPECT_FALSE(p.found[3]);
  EXPECT_FALSE(p.found[4]);
}

TEST(ParamReply, CutImagerEntriesReportNothing) {
  Parsed p =
      Parse(ImagerParam(), kImager4507, {0x09, 0xC6, 0x00, 0x00, 0xFF, 0xF4, 0xF1, 0x37, 0x01});
  EXPECT_FALSE(p.found[7]);
  EXPECT_EQ(p.values[7], -9);
  p = Parse(ImagerParam(), kImager4507, {0x07, 0xC6, 0x00, 0x00, 0xFF, 0xF1, 0x31});
  EXPECT_FALSE(p.found[13]);
  EXPECT_FALSE(p.found[12]);
}

}  // namespace
}  // namespace bcr
