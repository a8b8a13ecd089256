#include "link/commands.h"
#include "decode/reception.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "state/scan_engine.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;

const Bytes kStartDecode = {0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14};
const Bytes kStopDecode = {0x04, 0xE5, 0x04, 0x00, 0xFF, 0x13};

// A reader object whose link is open on a simulated imager.
class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = bcrsim::Engine::Imager4507().Speed(115200).Start();
    ASSERT_NE(sim_, nullptr);
    setenv("BCREADER_COM2", sim_->Path().c_str(), 1);
    engine_.link.SetPortNumber(2);
    ASSERT_EQ(OpenPort(engine_.link), 1);
    ASSERT_EQ(SetPortSpeed(engine_.link, 115200), 1);
    engine_.link.SetDeviceType(kImager4507);
    engine_.SetActive(1);
  }

  std::vector<Bytes> FramesAfter(int expected) {
    sim_->WaitForFrames(expected, 1000);
    platform::Sleep(50);
    return sim_->Frames();
  }

  std::unique_ptr<bcrsim::Engine> sim_;
  ScanEngine engine_;
};

TEST_F(Commands, StartIsSentOnceUntilStoppedAndStopOnlyAfterAStart) {
  EXPECT_EQ(StopDecode(engine_, 1), 1);
  EXPECT_EQ(StartDecode(engine_, 0), 0);
  EXPECT_EQ(StartDecode(engine_, 1), 1);
  EXPECT_EQ(StartDecode(engine_, 1), 1);
  EXPECT_EQ(FramesAfter(1), std::vector<Bytes>{kStartDecode});
  EXPECT_TRUE(engine_.link.Decoding());
  EXPECT_EQ(StopDecode(engine_, 1), 1);
  EXPECT_EQ(FramesAfter(2), (std::vector<Bytes>{kStartDecode, kStopDecode}));
  EXPECT_FALSE(engine_.link.Decoding());
  // Neither an inactive reader nor a link without an engine type sends anything.
  engine_.SetActive(0);
  EXPECT_EQ(StartDecode(engine_, 1), 0);
  engine_.SetActive(1);
  engine_.link.SetDeviceType(kNoEngine);
  EXPECT_EQ(SetDecoding(engine_.link, 1), 0);
  EXPECT_EQ(FramesAfter(2).size(), 2u);
}

TEST_F(Commands, RefusedStartIsSentAgainAndASilentEngineFailsAfterOneShortAttempt) {
  sim_->NakNext(1);
  EXPECT_EQ(StartDecode(engine_, 1), 0);
  EXPECT_FALSE(engine_.link.Decoding());
  EXPECT_EQ(StartDecode(engine_, 1), 1);
  EXPECT_EQ(FramesAfter(2), (std::vector<Bytes>{kStartDecode, kStartDecode}));
  EXPECT_EQ(StopDecode(engine_, 1), 1);
  sim_->SetSilent(true);
  uint64_t start = platform::NowMs();
  EXPECT_EQ(StartDecode(engine_, 1), 0);
  EXPECT_LT(platform::NowMs() - start, 2000u);  // wake pause and one 200 ms wait
  EXPECT_EQ(FramesAfter(4).size(), 4u);
}

}  // namespace
}  // namespace bcr
