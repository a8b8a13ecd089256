// Sets of the named event from several threads of one process.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"

namespace bcr::platform {
namespace {

TEST(NamedEventThreaded, SimultaneousSetsLeaveOneSignal) {
  constexpr int kSetters = 6;
  constexpr int kRounds = 3000;
  std::string prefix = "bcrtest" + std::to_string(getpid()) + "threads";
  std::string semName = "/" + prefix + "DecodeEventBC";
  setenv("BCREADER_EVENT_PREFIX", prefix.c_str(), 1);
  Event *event = EventOpen("DecodeEventBC");
  unsetenv("BCREADER_EVENT_PREFIX");
  ASSERT_NE(event, nullptr);
  sem_t *waiter = sem_open(semName.c_str(), 0);
  sem_unlink(semName.c_str());  // both handles stay usable; nothing is left behind
  ASSERT_NE(waiter, SEM_FAILED);

  // Each round the setters start together on a reset event, so that their sets overlap.
  std::atomic<int> round{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> setters;
  for (int i = 0; i < kSetters; ++i) {
    setters.emplace_back([&] {
      for (int r = 1; r <= kRounds; ++r) {
        while (round.load() < r) std::this_thread::yield();
        EXPECT_TRUE(EventSet(event));
        ++finished;
      }
    });
  }
  int doubled = 0;
  for (int r = 1; r <= kRounds; ++r) {
    round = r;
    while (finished.load() < kSetters * r) std::this_thread::yield();
    int value = -1;
    sem_getvalue(waiter, &value);
    if (value != 1) ++doubled;
    while (sem_trywait(waiter) == 0) {
    }
  }
  for (std::thread &setter : setters) setter.join();
  EXPECT_EQ(doubled, 0) << "rounds that did not end with one signal";

  sem_close(waiter);
  EventClose(event);
}

}  // namespace
}  // namespace bcr::platform
