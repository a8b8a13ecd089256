#include "link/transaction.h"
#include "reader/globals.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "link/frame.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::CountSuspect;
using test::SimLink;

size_t CountOf(const std::string &text, const std::string &what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

const Bytes kRevisionRequestOnWire = {0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};

// Sends the revision request with the attempts given; the frames the engine got go to *frames.
int Exchange(SimLink &sim, int32_t attempts, Bytes *reply, std::vector<Bytes> *frames,
             uint32_t timeout = 1000) {
  sim.Engine().ClearRecord();
  Bytes frame = RevisionRequestFrame();
  int result = SendAndWait(sim.Link(), frame, timeout, reply, attempts);
  *frames = sim.Engine().Frames();
  return result;
}

TEST(SendAndWait, SendsTheFrameWithItsChecksumAndRetriesUntilAnAnswerThatIsNoNak) {
  SimLink sim(bcrsim::Engine::Imager4507().Speed(115200).Start());
  Bytes reply;
  std::vector<Bytes> frames;
  sim.Engine().SetRevision({0x04, 0xD0, 0x00, 0x00});
  EXPECT_EQ(Exchange(sim, 3, &reply, &frames), 1);
  EXPECT_EQ(reply, (Bytes{0x04, 0xD0, 0x00, 0x00}));
  EXPECT_EQ(frames, std::vector<Bytes>{kRevisionRequestOnWire});

  sim.Engine().NakNext(2);
  EXPECT_EQ(Exchange(sim, 5, &reply, &frames), 1);
  EXPECT_EQ(frames.size(), 3u);
  // Only the whole negative-acknowledgement header counts as one.
  sim.Engine().SetRevision({0x05, 0xD1, 0x00, 0x01, 0x01});
  EXPECT_EQ(Exchange(sim, 5, &reply, &frames), 1);
  EXPECT_EQ(frames.size(), 1u);

  sim.Engine().SetNakAll(true);
  EXPECT_EQ(Exchange(sim, 5, &reply, &frames), 0);
  EXPECT_EQ(frames.size(), 5u);
  EXPECT_EQ(reply, (Bytes{0x05, 0xD1, 0x00, 0x00, 0x01}));
  sim.Engine().SetNakAll(false);

  sim.Engine().SetSilent(true);
  uint64_t start = platform::NowMs();
  EXPECT_EQ(Exchange(sim, 3, &reply, &frames, 200), 0);
  EXPECT_GE(platform::NowMs() - start, 550u);  // three waits of 200 ms
  EXPECT_EQ(frames, std::vector<Bytes>(3, kRevisionRequestOnWire));
}

TEST(SendAndWait, NeedsAttemptsAndAnEngineTypeAndSendOnlyAnEngineType) {
  SimLink sim(bcrsim::Engine::Imager4507().Speed(115200).Start());
  Bytes reply;
  std::vector<Bytes> frames;
  EXPECT_EQ(Exchange(sim, 0, &reply, &frames, 200), 0);
  EXPECT_EQ(SendOnly(sim.Link(), StartDecodeFrame(), 200), Written::kWritten);
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 1000));
  EXPECT_EQ(sim.Engine().Frames(), std::vector<Bytes>{Bytes({0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14})});

  sim.Engine().ClearRecord();
  sim.Link().SetDeviceType(kNoEngine);
  EXPECT_EQ(Exchange(sim, 3, &reply, &frames, 200), 0);
  EXPECT_EQ(SendOnly(sim.Link(), RevisionRequestFrame(), 200), Written::kFailed);
  // What the engine hears first is what is sent once the type is known again.
  sim.Link().SetDeviceType(kImager4507);
  EXPECT_EQ(SendOnly(sim.Link(), StartDecodeFrame(), 200), Written::kWritten);
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 1000));
  EXPECT_EQ(sim.Engine().Received(), (Bytes{0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14}));
}

// Without the line's own reader (a link used on one thread) the exchange reads the line itself:
// bytes already waiting do not hold its request back, and a frame with a wrong checksum that no
// reply follows before the line falls quiet ends the attempt.
TEST(SendAndWait, ReadsTheLineItselfWithoutTheLineReader) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start(), false);
  // The reply comes well inside the attempt's second, but late enough that a thread held back
  // on a loaded machine still reads the bad frame before it.
  sim.Engine().SetReplyDelay(600);
  sim.Engine().Send({0x04, 0xC6, 0x00, 0x00, 0x00, 0x00});
  ASSERT_TRUE(sim.Engine().WaitIdle(1000));
  Bytes reply;
  std::vector<Bytes> frames;
  const uint64_t start = platform::NowMs();
  EXPECT_EQ(Exchange(sim, 2, &reply, &frames), 1);
  EXPECT_LT(platform::NowMs() - start, 3000u);
  // The bad frame ended the first attempt at once, so the reply to the first request may answer
  // the second before the engine has read it.
  EXPECT_TRUE(sim.Engine().WaitForFrames(2, 1000));
  EXPECT_EQ(sim.Engine().Frames(), std::vector<Bytes>(2, kRevisionRequestOnWire));
  EXPECT_EQ(reply.size(), 0x14u);
}

// An exchange whose every attempt meets only input that makes no frame (a reply too short for its
// own header) makes the engine suspect; one that meets a NAK does not.
TEST(SendAndWait, OnlyBrokenInputInEveryAttemptMakesTheEngineSuspect) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  std::atomic<int> suspect{0};
  sim.Link().Health().SetHandler(CountSuspect, &suspect);
  Bytes reply;
  std::vector<Bytes> frames;
  sim.Engine().SetNakAll(true);
  EXPECT_EQ(Exchange(sim, 2, &reply, &frames, 300), 0);
  EXPECT_EQ(suspect, 0);
  sim.Engine().SetNakAll(false);
  sim.Engine().SetRevision({0x02, 0xA4});
  EXPECT_EQ(Exchange(sim, 1, &reply, &frames, 300), 0);
  EXPECT_EQ(suspect, 1);
}

TEST(Checksum, WrapsTheSixteenBitSum) {
  // 0x100 * 0xFF bytes sum to 0xFF00; an empty frame sums to 0 and its complement wraps to 0.
  auto checksummed = [](Bytes frame) {
    AppendChecksum(frame);
    return frame;
  };
  EXPECT_EQ(checksummed(Bytes(256, 0xFF)).back(), 0x00);
  EXPECT_EQ(*(checksummed(Bytes(256, 0xFF)).end() - 2), 0x01);
  EXPECT_EQ(checksummed({}), (Bytes{0x00, 0x00}));
}

TEST(WakeEngine, WritesOneZeroByteThenPauses) {
  SimLink sim(bcrsim::Engine::Imager4507().Speed(115200).Start());
  uint64_t start = platform::NowMs();
  WakeEngine(sim.Link());
  EXPECT_GE(platform::NowMs() - start, 95u);
  for (const uint64_t end = start + 2000;
       sim.Engine().Received().empty() && platform::NowMs() < end;) {
    platform::Sleep(1);
  }
  EXPECT_EQ(sim.Engine().Received(), Bytes{0x00});
  EXPECT_TRUE(sim.Engine().Frames().empty());
}

// A reply that comes with no exchange waiting (late, or never asked for) answers nothing: the
// trace says it was dropped, and the next exchange gets its own reply.
TEST(SendAndWait, AReplyNobodyWaitsForIsDroppedAndTraced) {
  const std::string trace = "/tmp/bcr_transaction_trace_" + std::to_string(getpid());
  setenv("BCREADER_TRACE", trace.c_str(), 1);
  platform::TraceConfigure();
  {
    SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
    sim.Engine().Send({0x06, 0xC6, 0x00, 0x00, 0xFF, 0x2D, 0xFE, 0x08});
    // Read (and dropped) before the exchange begins.
    for (const uint64_t end = platform::NowMs() + 2000;
         sim.Link().Line().FramesRead() == 0 && platform::NowMs() < end;) {
      platform::Sleep(1);
    }
    EXPECT_EQ(sim.Link().Line().FramesRead(), 1u);
    Bytes reply;
    std::vector<Bytes> frames;
    EXPECT_EQ(Exchange(sim, 1, &reply, &frames), 1);
    EXPECT_EQ(reply.size(), 0x14u);  // the revision, not the stray parameter reply
  }
  unsetenv("BCREADER_TRACE");
  platform::TraceConfigure();
  std::ifstream in(trace);
  const std::string traced((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(trace.c_str());
  EXPECT_EQ(CountOf(traced, "reply that no exchange waits for, dropped"), 1u) << traced;
}

}  // namespace
}  // namespace bcr
