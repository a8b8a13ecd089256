// Counting rules and timed waits of the semaphores, and the sleep, on one thread.
#include "platform/sync.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace bcr::platform {
namespace {

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

TEST(Semaphore, TimedWaitAndSleepLastAtLeastTheirTime) {
  Semaphore *semaphore = SemaphoreCreate(0, 1);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(SemaphoreWait(semaphore, 0), WaitResult::kTimeout);
  uint64_t start = NowMs();
  EXPECT_EQ(SemaphoreWait(semaphore, 60), WaitResult::kTimeout);
  uint64_t waited = NowMs() - start;
  EXPECT_GE(waited, 59u);  // NowMs rounds down
  start = NowMs();
  Sleep(30);
  uint64_t slept = NowMs() - start;
  EXPECT_GE(slept, 29u);
  EXPECT_LT(waited + slept, 3000u);
  SemaphoreClose(semaphore);
}

}  // namespace
}  // namespace bcr::platform
