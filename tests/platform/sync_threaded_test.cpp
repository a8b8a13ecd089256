// Semaphores used from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace bcr::platform {
namespace {

TEST(SemaphoreThreaded, ConcurrentReleasesSaturateAtTheMaximum) {
  Semaphore *semaphore = SemaphoreCreate(0, 1);
  ASSERT_NE(semaphore, nullptr);
  std::atomic<int> succeeded{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < 200; ++k) {
        if (SemaphoreRelease(semaphore)) ++succeeded;
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(succeeded.load(), 1);
  EXPECT_EQ(SemaphoreWait(semaphore, 0), WaitResult::kSignalled);
  EXPECT_EQ(SemaphoreWait(semaphore, 0), WaitResult::kTimeout);
  SemaphoreClose(semaphore);
}

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

}  // namespace
}  // namespace bcr::platform
