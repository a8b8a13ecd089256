// Counting rules and timed waits of the semaphores, on one thread.
#include "platform/sync.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace bcr::platform {
namespace {

// Takes counts without waiting until none is left; returns how many there were.
int Drain(Semaphore *semaphore) {
  int taken = 0;
  while (SemaphoreWait(semaphore, 0) == WaitResult::kSignalled) ++taken;
  return taken;
}

TEST(Semaphore, CreateRefusesCountsOutOfRange) {
  EXPECT_EQ(SemaphoreCreate(2, 1), nullptr);
  EXPECT_EQ(SemaphoreCreate(-1, 1), nullptr);
  EXPECT_EQ(SemaphoreCreate(0, 0), nullptr);
  Semaphore *full = SemaphoreCreate(3, 3);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(Drain(full), 3);
  SemaphoreClose(full);
}

TEST(Semaphore, ReleasePastMaximumFailsAndChangesNothing) {
  Semaphore *semaphore = SemaphoreCreate(0, 1);
  ASSERT_NE(semaphore, nullptr);
  int32_t previous = -1;
  EXPECT_TRUE(SemaphoreRelease(semaphore, 1, &previous));
  EXPECT_EQ(previous, 0);
  previous = -1;
  EXPECT_FALSE(SemaphoreRelease(semaphore, 1, &previous));
  EXPECT_EQ(previous, -1);
  EXPECT_EQ(Drain(semaphore), 1);
  SemaphoreClose(semaphore);
}

TEST(Semaphore, ReleaseOfSeveralIsAllOrNothing) {
  Semaphore *semaphore = SemaphoreCreate(1, 4);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_FALSE(SemaphoreRelease(semaphore, 4));  // would make 5
  EXPECT_FALSE(SemaphoreRelease(semaphore, 0));
  EXPECT_FALSE(SemaphoreRelease(semaphore, -1));
  int32_t previous = -1;
  EXPECT_TRUE(SemaphoreRelease(semaphore, 3, &previous));
  EXPECT_EQ(previous, 1);
  EXPECT_EQ(Drain(semaphore), 4);
  SemaphoreClose(semaphore);
}

TEST(Semaphore, TimedWaitOnEmptySemaphoreTimesOutAfterItsTime) {
  Semaphore *semaphore = SemaphoreCreate(0, 1);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(SemaphoreWait(semaphore, 0), WaitResult::kTimeout);
  uint64_t start = NowMs();
  EXPECT_EQ(SemaphoreWait(semaphore, 60), WaitResult::kTimeout);
  uint64_t elapsed = NowMs() - start;
  EXPECT_GE(elapsed, 59u);
  EXPECT_LT(elapsed, 3000u);
  SemaphoreClose(semaphore);
}

TEST(Clock, SleepLastsAtLeastItsTimeOnTheMonotonicClock) {
  uint64_t start = NowMs();
  Sleep(30);
  uint64_t elapsed = NowMs() - start;
  EXPECT_GE(elapsed, 29u);  // NowMs rounds down
  EXPECT_LT(elapsed, 3000u);
}

}  // namespace
}  // namespace bcr::platform
