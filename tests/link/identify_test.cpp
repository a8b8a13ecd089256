#include "link/identify.h"

#include <gtest/gtest.h>

#include "link/serial_port.h"
#include "platform/clock.h"
#include "state/scan_engine.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::FromBytes;

TEST(RevisionReply, SE955NeedsSeventeenBytesAndAKnownByteFifteen) {
  Bytes reply(17, 0x41);
  reply[0] = 0x11;
  for (uint8_t byte15 : {0x98, 0x99}) {
    reply[15] = byte15;
    EXPECT_TRUE(RevisionReplyFits(kEngineSE955, FromBytes(reply))) << int(byte15);
  }
  reply[15] = 0x97;
  EXPECT_FALSE(RevisionReplyFits(kEngineSE955, FromBytes(reply)));
  Bytes shortReply(reply.begin(), reply.begin() + 16);
  shortReply[15] = 0x98;
  EXPECT_FALSE(RevisionReplyFits(kEngineSE955, FromBytes(shortReply)));
}

TEST(RevisionReply, ImagerNeedsPAAAAFromOffsetFour) {
  EXPECT_TRUE(RevisionReplyFits(
      kImager4507, FromBytes({0x0B, 0xA4, 0x00, 0x00, 'P', 'A', 'A', 'A', 'A', 'S', '1'})));
  EXPECT_TRUE(RevisionReplyFits(kImager4507, FromBytes({0x0D, 0xA4, 0x00, 0x00, 'x', 'x', 'P', 'A',
                                                        'A', 'A', 'A', 'S', '1'})));
  EXPECT_FALSE(RevisionReplyFits(
      kImager4507, FromBytes({'P', 'A', 'A', 'A', 'A', 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})));
  EXPECT_FALSE(RevisionReplyFits(kImager4507, FromBytes({0x08, 'P', 'A', 'A', 'A', 'A', 0x00})));
  EXPECT_FALSE(
      RevisionReplyFits(kNoEngine, FromBytes({0x09, 0xA4, 0x00, 0x00, 'P', 'A', 'A', 'A', 'A'})));
}

// The engine-kind character the test's system library reports.
char kindCharacter = '1';
int TestSysInfo(void *block) {
  static_cast<char *>(block)[32] = kindCharacter;
  return 0;
}
int FailingSysInfo(void *) {
  return 1;
}

class Identify : public ::testing::Test {
 protected:
  void Start(std::unique_ptr<bcrsim::Engine> sim) {
    sim_ = std::move(sim);
    ASSERT_NE(sim_, nullptr);
    setenv("BCREADER_COM2", sim_->Path().c_str(), 1);
    engine_.link.portNumber = 2;
    ASSERT_EQ(OpenPort(engine_.link), 1);
  }
  std::unique_ptr<bcrsim::Engine> sim_;
  ScanEngine engine_;
};

TEST_F(Identify, ProbeRejectsARevisionOfTheWrongShape) {
  Start(bcrsim::Engine::SE955()
            .Speed(38400)
            .Revision({0x10, 0xA4, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x98})
            .Start());
  engine_.link.deviceType = kEngineSE955;
  EXPECT_EQ(ProbeEngine(engine_.link, 38400), 0);
  sim_->SetRevision({0x11, 0xA4, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x98, 12});
  EXPECT_EQ(ProbeEngine(engine_.link, 38400), 1);
}

TEST_F(Identify, NoKindOrAFailingSystemLibraryIdentifiesNothing) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start());
  EXPECT_EQ(IdentifyEngine(engine_.link, engine_.getSysInfo, nullptr), 0);  // no GetSysInfo entry
  engine_.getSysInfo = FailingSysInfo;
  EXPECT_EQ(IdentifyEngine(engine_.link, engine_.getSysInfo, nullptr), 0);
  engine_.getSysInfo = TestSysInfo;
  for (char kind : {'4', '5'}) {
    kindCharacter = kind;
    EXPECT_EQ(IdentifyEngine(engine_.link, engine_.getSysInfo, nullptr), 0);
    EXPECT_EQ(engine_.link.deviceType, kNoEngine);
  }
  platform::Sleep(50);
  EXPECT_TRUE(sim_->Received().empty());
}

TEST_F(Identify, SE955StillAtNineThousandSixHundredIsMovedToItsWorkingSpeed) {
  Start(bcrsim::Engine::SE955().Speed(9600).Start());
  engine_.getSysInfo = TestSysInfo;
  kindCharacter = '2';
  ASSERT_EQ(IdentifyEngine(engine_.link, engine_.getSysInfo, nullptr), 1);
  EXPECT_EQ(engine_.link.deviceType, kEngineSE955);
  EXPECT_EQ(engine_.link.portSpeed, 38400u);
  EXPECT_EQ(sim_->Speed(), 38400u);
  // At 9600: the revision request, then the speed change; the probes at 38400 were noise to it.
  EXPECT_EQ(sim_->Frames(),
            (std::vector<Bytes>{{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55},
                                {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x08, 0xFD, 0x84}}));
  EXPECT_GT(sim_->GarbageBytes(), 0u);
}

TEST_F(Identify, EngineRefusingTheSpeedChangeStaysAtNineThousandSixHundred) {
  Start(bcrsim::Engine::SE955().Speed(9600).Start());
  engine_.link.deviceType = kEngineSE955;
  ASSERT_EQ(ProbeEngine(engine_.link, 9600), 1);
  sim_->SetNakAll(true);
  EXPECT_EQ(SwitchEngineSpeed(engine_.link, 38400), 0);
  EXPECT_EQ(sim_->Speed(), 9600u);
}

TEST_F(Identify, RevisionTextIsCutPerEngine) {
  Start(bcrsim::Engine::SE955()
            .Speed(38400)
            .Revision({0x18, 0xA4, 0x00, 0x00, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H',
                       'I',  'J',  'K',  0x98, 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T'})
            .Start());
  engine_.link.deviceType = kEngineSE955;
  ASSERT_EQ(SetPortSpeed(engine_.link, 38400), 1);
  WString text;
  EXPECT_EQ(RequestRevision(engine_.link, kEngineSE955, text), 1);
  EXPECT_STREQ(text.Narrow(), "ABCDEFGH");
  EXPECT_EQ(RequestRevision(engine_.link, kImager4507, text), 1);
  EXPECT_EQ(text.Size(), 16u);
  EXPECT_EQ(RequestRevision(engine_.link, kNoEngine, text), 0);
  EXPECT_EQ(text.Size(), 0u);
}

}  // namespace
}  // namespace bcr
