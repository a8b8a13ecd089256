#include "link/transaction.h"

#include <gtest/gtest.h>

#include "link/frame.h"
#include "platform/clock.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::SimLink;
using test::ToBytes;

const Bytes kRevisionRequestOnWire = {0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};
const Bytes kNak = {0x05, 0xD1, 0x00, 0x00, 0x01};

SimLink Imager() {
  return SimLink(bcrsim::Engine::Imager4507().Speed(115200).Start());
}

TEST(SendAndWait, SendsTheFrameWithItsChecksumAndTakesTheReply) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Engine().SetRevision({0x04, 0xD0, 0x00, 0x00});
  WString frame = RevisionRequestFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 1000, &reply, 3), 1);
  EXPECT_EQ(ToBytes(frame), kRevisionRequestOnWire);
  EXPECT_EQ(ToBytes(reply), (Bytes{0x04, 0xD0, 0x00, 0x00}));
  EXPECT_EQ(sim.Engine().Frames(), std::vector<Bytes>{kRevisionRequestOnWire});
}

TEST(SendAndWait, TriesEveryAttemptAgainstASilentEngine) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Engine().SetSilent(true);
  WString frame = RevisionRequestFrame();
  WString reply;
  uint64_t start = platform::NowMs();
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 200, &reply, 3), 0);
  EXPECT_GE(platform::NowMs() - start, 550u);  // three waits of 200 ms
  EXPECT_EQ(sim.Engine().Frames(), std::vector<Bytes>(3, kRevisionRequestOnWire));
}

TEST(SendAndWait, RetriesOnNegativeAcknowledgementAndKeepsTheLast) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Engine().SetNakAll(true);
  WString frame = RevisionRequestFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 1000, &reply, 5), 0);
  EXPECT_EQ(sim.Engine().Frames().size(), 5u);
  EXPECT_EQ(ToBytes(reply), kNak);
}

TEST(SendAndWait, SucceedsOnTheFirstAnswerThatIsNoNegativeAcknowledgement) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Engine().NakNext(2);
  WString frame = RevisionRequestFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 1000, &reply, 5), 1);
  EXPECT_EQ(sim.Engine().Frames().size(), 3u);
}

TEST(SendAndWait, OnlyTheFullNegativeAcknowledgementHeaderCounts) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Engine().SetRevision({0x05, 0xD1, 0x00, 0x01, 0x01});
  WString frame = RevisionRequestFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 1000, &reply, 5), 1);
  EXPECT_EQ(sim.Engine().Frames().size(), 1u);
}

TEST(SendAndWait, WithoutAttemptsSendsNothingUnlessNoReplyIsWanted) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  WString frame = StartDecodeFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 200, &reply, 0), 0);
  WString oneWay = StartDecodeFrame();
  EXPECT_EQ(SendAndWait(sim.Link(), oneWay, 200, nullptr, 0), 1);
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 1000));
  EXPECT_EQ(sim.Engine().Frames(), std::vector<Bytes>{Bytes({0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14})});
}

TEST(SendAndWait, NeedsAnEngineType) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  sim.Link().deviceType = kNoEngine;
  WString frame = RevisionRequestFrame();
  WString reply;
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 200, &reply, 3), 0);
  EXPECT_EQ(SendAndWait(sim.Link(), frame, 200, nullptr, 1), 0);
  platform::Sleep(100);
  EXPECT_TRUE(sim.Engine().Received().empty());
}

TEST(WakeEngine, WritesOneZeroByteThenPauses) {
  SimLink sim = Imager();
  ASSERT_TRUE(sim.Opened());
  uint64_t start = platform::NowMs();
  WakeEngine(sim.Link());
  EXPECT_GE(platform::NowMs() - start, 95u);
  EXPECT_EQ(sim.Engine().Received(), Bytes{0x00});
  EXPECT_TRUE(sim.Engine().Frames().empty());
}

}  // namespace
}  // namespace bcr
