// The decode road on its own: which waiter each decode goes to, what is stale, and how a wait
// ends. The line reader's side of it runs against the simulator in receiver_test.cpp.
#include "link/decode_road.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <vector>

#include "platform/clock.h"

namespace bcr {
namespace {

using Units = std::vector<uint8_t>;

LineDecode Decode(uint8_t tag, uint64_t firstByteMs, uint64_t frameSeq) {
  LineDecode decode;
  decode.units = {0x01, tag};
  decode.firstByteMs = firstByteMs;
  decode.frameSeq = frameSeq;
  return decode;
}

uint64_t In(uint32_t ms) {
  return platform::NowMs() + ms;
}

// One waiter at a time: it takes the first decode after its line, and what lies before the line
// is discarded and counted.
TEST(DecodeRoad, AWaiterTakesTheFirstDecodeAfterItsLineAndDiscardsWhatCameBefore) {
  DecodeRoad road;
  road.Put(Decode('a', 100, 1));
  road.Put(Decode('b', 300, 2));
  road.Put(Decode('c', 400, 3));
  LineDecode got;
  ASSERT_EQ(road.Receive(DecodeLine::AfterTime(300), In(1000), &got), DecodeWait::kReceived);
  EXPECT_EQ(got.units, (Units{0x01, 'b'}));
  EXPECT_EQ(road.StaleDiscards(), 1u);
  ASSERT_EQ(road.Receive(DecodeLine::Any(), In(1000), &got), DecodeWait::kReceived);
  EXPECT_EQ(got.units, (Units{0x01, 'c'}));
  EXPECT_EQ(road.Receive(DecodeLine::Any(), In(50), &got), DecodeWait::kTimedOut);

  // A read's line is a frame: the decode must come after it.
  road.Put(Decode('d', 500, 5));
  EXPECT_EQ(road.Receive(DecodeLine::AfterFrame(5, 500), In(50), &got), DecodeWait::kTimedOut);
  EXPECT_EQ(road.StaleDiscards(), 2u);
  road.Put(Decode('e', 600, 6));
  ASSERT_EQ(road.Receive(DecodeLine::AfterFrame(5, 500), In(1000), &got), DecodeWait::kReceived);
  EXPECT_EQ(got.units, (Units{0x01, 'e'}));
}

// Several waiters: a read that has not yet drawn its line holds every decode back; then a read
// goes before a press, a press before a continuous reception, and of two presses the later line.
TEST(DecodeRoad, AReadGoesBeforeAPressAndAPressBeforeTheContinuousReception) {
  DecodeRoad road;
  auto receive = [&road](DecodeLine line) {
    return std::async(std::launch::async, [&road, line] {
      LineDecode got;
      const DecodeWait wait = road.Receive(line, In(3000), &got);
      return wait == DecodeWait::kReceived ? got.units.back() : uint8_t{0};
    });
  };
  auto until = [](const std::function<bool()> &done) {
    for (const uint64_t end = In(3000); !done() && platform::NowMs() < end;) platform::Sleep(1);
    return done();
  };
  // A press has joined once it has discarded the decode queued before its line.
  road.Put(Decode('x', 1, 1));
  auto late = receive(DecodeLine::AfterTime(20));
  ASSERT_TRUE(until([&] { return road.StaleDiscards() == 1; }));
  road.Put(Decode('y', 1, 2));
  auto early = receive(DecodeLine::AfterTime(10));
  ASSERT_TRUE(until([&] { return road.StaleDiscards() == 2; }));
  // The continuous reception takes whatever is queued, and waits again until its own comes.
  road.Put(Decode('z', 1, 3));
  std::atomic<int> taken{0};
  auto continuous = std::async(std::launch::async, [&] {
    Units got;
    LineDecode decode;
    while (got.empty() || got.back() != 's') {
      if (road.Receive(DecodeLine::Any(), In(3000), &decode) != DecodeWait::kReceived) break;
      got.push_back(decode.units.back());
      ++taken;
    }
    return got;
  });
  ASSERT_TRUE(until([&] { return taken == 1; }));
  DecodeRoad::Waiter *read = road.JoinPending();
  road.Put(Decode('r', 30, 7));
  EXPECT_EQ(late.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  LineDecode got;
  ASSERT_EQ(road.Receive(read, DecodeLine::AfterFrame(6, 25), In(1000), &got),
            DecodeWait::kReceived);
  EXPECT_EQ(got.units.back(), 'r');
  road.Put(Decode('p', 40, 8));
  EXPECT_EQ(late.get(), 'p');
  road.Put(Decode('q', 50, 9));
  EXPECT_EQ(early.get(), 'q');
  road.Put(Decode('s', 60, 10));
  EXPECT_EQ(continuous.get(), (Units{'z', 's'}));
  EXPECT_EQ(road.StaleDiscards(), 2u);
}

// A wait ends at its deadline unless a decode is arriving then; a cancel ends it at once, and the
// queue keeps 32 decodes.
TEST(DecodeRoad, WaitsEndAtTheirDeadlineAfterADecodeArrivingOrAtACancel) {
  DecodeRoad road;
  road.SetArriving(true);
  auto waiting = std::async(std::launch::async, [&road] {
    LineDecode got;
    return road.Receive(DecodeLine::Any(), In(50), &got);
  });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  road.Put(Decode('x', 1, 1));
  road.SetArriving(false);
  EXPECT_EQ(waiting.get(), DecodeWait::kReceived);

  for (uint8_t i = 0; i < 33; ++i) road.Put(Decode(i, 1, i));
  EXPECT_EQ(road.Overflows(), 1u);
  LineDecode got;
  ASSERT_EQ(road.Receive(DecodeLine::Any(), In(100), &got), DecodeWait::kReceived);
  EXPECT_EQ(got.units.back(), 1);

  road.Cancel();
  const uint64_t start = platform::NowMs();
  EXPECT_EQ(road.Receive(DecodeLine::Any(), In(5000), &got), DecodeWait::kCancelled);
  EXPECT_LT(platform::NowMs() - start, 2000u);
  road.Reopen();
  EXPECT_EQ(road.Receive(DecodeLine::Any(), In(50), &got), DecodeWait::kTimedOut);
}

}  // namespace
}  // namespace bcr
