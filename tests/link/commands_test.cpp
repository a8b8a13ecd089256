#include "link/commands.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::SimLink;

const Bytes kStartDecode = {0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14};
const Bytes kStopDecode = {0x04, 0xE5, 0x04, 0x00, 0xFF, 0x13};

// A link open on a simulated imager.
class Commands : public ::testing::Test {
 protected:
  std::vector<Bytes> FramesAfter(int expected) {
    sim_.Engine().WaitForFrames(expected, 1000);
    platform::Sleep(50);
    return sim_.Engine().Frames();
  }

  SimLink sim_{bcrsim::Engine::Imager4507().Speed(115200).Start()};
  EngineLink &link_ = sim_.Link();
};

TEST_F(Commands, StartIsSentOnceUntilStoppedAndStopOnlyAfterAStart) {
  EXPECT_EQ(SetDecoding(link_, 0), 1);
  EXPECT_EQ(SetDecoding(link_, 1), 1);
  EXPECT_EQ(SetDecoding(link_, 1), 1);
  EXPECT_EQ(FramesAfter(1), std::vector<Bytes>{kStartDecode});
  EXPECT_TRUE(link_.Decoding());
  EXPECT_EQ(SetDecoding(link_, 0), 1);
  EXPECT_EQ(FramesAfter(2), (std::vector<Bytes>{kStartDecode, kStopDecode}));
  EXPECT_FALSE(link_.Decoding());
  // A link without an engine type sends nothing.
  link_.SetDeviceType(kNoEngine);
  EXPECT_EQ(SetDecoding(link_, 1), 0);
  EXPECT_EQ(FramesAfter(2).size(), 2u);
}

TEST_F(Commands, RefusedStartIsSentAgainAndASilentEngineFailsAfterOneShortAttempt) {
  sim_.Engine().NakNext(1);
  EXPECT_EQ(SetDecoding(link_, 1), 0);
  EXPECT_FALSE(link_.Decoding());
  EXPECT_EQ(SetDecoding(link_, 1), 1);
  EXPECT_EQ(FramesAfter(2), (std::vector<Bytes>{kStartDecode, kStartDecode}));
  EXPECT_EQ(SetDecoding(link_, 0), 1);
  sim_.Engine().SetSilent(true);
  uint64_t start = platform::NowMs();
  EXPECT_EQ(SetDecoding(link_, 1), 0);
  EXPECT_LT(platform::NowMs() - start, 2000u);  // wake pause and one 200 ms wait
  EXPECT_EQ(FramesAfter(4).size(), 4u);
}

}  // namespace
}  // namespace bcr
