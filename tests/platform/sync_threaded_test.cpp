// Semaphores: counting rules and timed waits on one thread, the sleep, and use from several
// threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"

namespace bcr::platform {
namespace {

TEST(SemaphoreThreaded, EveryReleasedCountIsTakenExactlyOnce) {
  constexpr int kConsumers = 4;
  constexpr int kCounts = 400;
  Semaphore *semaphore = SemaphoreCreate(0, 3);
  ASSERT_NE(semaphore, nullptr);
  std::atomic<int> taken{0};
  std::atomic<bool> producing{true};
  std::vector<std::thread> consumers;
  for (int i = 0; i < kConsumers; ++i) {
    consumers.emplace_back([&] {
      for (;;) {
        if (SemaphoreWait(semaphore, 20) == WaitResult::kSignalled) {
          ++taken;
        } else if (!producing) {
          return;  // nothing left and nothing coming
        }
      }
    });
  }
  int released = 0;
  while (released < kCounts) {
    if (SemaphoreRelease(semaphore)) {
      ++released;
    } else {
      std::this_thread::yield();  // full: let the consumers take
    }
  }
  producing = false;
  for (std::thread &consumer : consumers) consumer.join();
  // A consumer may give up just before the last release; what it left is still there.
  while (SemaphoreWait(semaphore, 0) == WaitResult::kSignalled) ++taken;
  EXPECT_EQ(taken.load(), kCounts);
  SemaphoreClose(semaphore);
}

TEST(Semaphore, CountsStayBetweenZeroAndTheMaximum) {
  EXPECT_EQ(SemaphoreCreate(2, 1), nullptr);
  EXPECT_EQ(SemaphoreCreate(-1, 1), nullptr);
  EXPECT_EQ(SemaphoreCreate(0, 0), nullptr);
  Semaphore *semaphore = SemaphoreCreate(1, 4);
  ASSERT_NE(semaphore, nullptr);
  // Releases past the maximum (all or nothing), of none and of a negative count change nothing.
  int32_t previous = -1;
  for (int32_t n : {4, 0, -1}) EXPECT_FALSE(SemaphoreRelease(semaphore, n, &previous)) << n;
  EXPECT_EQ(previous, -1);
  EXPECT_TRUE(SemaphoreRelease(semaphore, 3, &previous));
  EXPECT_EQ(previous, 1);
  EXPECT_FALSE(SemaphoreRelease(semaphore, 1));
  int taken = 0;
  while (SemaphoreWait(semaphore, 0) == WaitResult::kSignalled) ++taken;
  EXPECT_EQ(taken, 4);
  SemaphoreClose(semaphore);
}

}  // namespace
}  // namespace bcr::platform
