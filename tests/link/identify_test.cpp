#include "link/identify.h"

#include <gtest/gtest.h>

#include "link/serial_port.h"
#include "platform/clock.h"
#include "state/scan_engine.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;

TEST(RevisionReply, SE955NeedsSeventeenBytesAndAKnownByteFifteen) {
  Bytes reply(17, 0x41);
  reply[0] = 0x11;
  for (uint8_t byte15 : {0x98, 0x99}) {
    reply[15] = byte15;
    EXPECT_TRUE(RevisionReplyFits(kEngineSE955, reply)) << int(byte15);
  }
  reply[15] = 0x97;
  EXPECT_FALSE(RevisionReplyFits(kEngineSE955, reply));
  Bytes shortReply(reply.begin(), reply.begin() + 16);
  shortReply[15] = 0x98;
  EXPECT_FALSE(RevisionReplyFits(kEngineSE955, shortReply));
}

TEST(RevisionReply, ImagerNeedsPAAAAFromOffsetFour) {
  EXPECT_TRUE(RevisionReplyFits(
      kImager4507, Bytes({0x0B, 0xA4, 0x00, 0x00, 'P', 'A', 'A', 'A', 'A', 'S', '1'})));
  EXPECT_TRUE(RevisionReplyFits(
      kImager4507, Bytes({0x0D, 0xA4, 0x00, 0x00, 'x', 'x', 'P', 'A', 'A', 'A', 'A', 'S', '1'})));
  EXPECT_FALSE(RevisionReplyFits(
      kImager4507, Bytes({'P', 'A', 'A', 'A', 'A', 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})));
  EXPECT_FALSE(RevisionReplyFits(kImager4507, Bytes({0x08, 'P', 'A', 'A', 'A', 'A', 0x00})));
  EXPECT_FALSE(
      RevisionReplyFits(kNoEngine, Bytes({0x09, 0xA4, 0x00, 0x00, 'P', 'A', 'A', 'A', 'A'})));
}

class Identify : public ::testing::Test {
 protected:
  void Start(std::unique_ptr<bcrsim::Engine> sim) {
    sim_ = std::move(sim);
    ASSERT_NE(sim_, nullptr);
    setenv("BCREADER_COM2", sim_->Path().c_str(), 1);
    engine_.link.SetPortNumber(2);
    ASSERT_TRUE(engine_.link.Open());
  }
  std::unique_ptr<bcrsim::Engine> sim_;
  ScanEngine engine_;
};

TEST_F(Identify, ProbeRejectsARevisionOfTheWrongShape) {
  Start(bcrsim::Engine::SE955()
            .Speed(38400)
            .Revision({0x10, 0xA4, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x98})
            .Start());
  engine_.link.SetDeviceType(kEngineSE955);
  EXPECT_EQ(ProbeEngine(engine_.link, 38400), 0);
  sim_->SetRevision({0x11, 0xA4, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x98, 12});
  EXPECT_EQ(ProbeEngine(engine_.link, 38400), 1);
}

TEST_F(Identify, EngineRefusingTheSpeedChangeStaysAtNineThousandSixHundred) {
  Start(bcrsim::Engine::SE955().Speed(9600).Start());
  engine_.link.SetDeviceType(kEngineSE955);
  ASSERT_EQ(ProbeEngine(engine_.link, 9600), 1);
  sim_->SetNakAll(true);
  EXPECT_EQ(SwitchEngineSpeed(engine_.link, 38400), 0);
  EXPECT_EQ(sim_->Speed(), 9600u);
}

int SysInfoSE955(void *block) {
  static_cast<char *>(block)[kEngineKindOffset] = '1';
  return 0;
}
bool NoWait(void *, uint32_t) {
  return true;
}
bool GiveUp(void *, uint32_t) {
  return false;
}

// Opening the engine's port afresh: a settling wait cut short asks the engine nothing; otherwise
// the engine the system library names is reached at its working speed (no caller need ask whether
// it was found by probing).
TEST_F(Identify, OpenAndReachReopensThePortAndReachesTheNamedEngine) {
  Start(bcrsim::Engine::SE955().Speed(9600).Start());
  EXPECT_EQ(OpenAndReach(engine_.link, Reach::kIdentify, SysInfoSE955, GiveUp, nullptr, nullptr),
            Opened::kCutShort);
  EXPECT_TRUE(engine_.link.IsOpen());
  EXPECT_TRUE(sim_->Frames().empty());
  EXPECT_EQ(OpenAndReach(engine_.link, Reach::kIdentify, SysInfoSE955, NoWait, nullptr, nullptr),
            Opened::kReached);
  EXPECT_EQ(engine_.link.DeviceType(), kEngineSE955);
  EXPECT_EQ(sim_->Speed(), 38400u);
  sim_->SetSilent(true);
  EXPECT_EQ(OpenAndReach(engine_.link, Reach::kAgain, nullptr, NoWait, nullptr, nullptr),
            Opened::kNotReached);
}

}  // namespace
}  // namespace bcr
