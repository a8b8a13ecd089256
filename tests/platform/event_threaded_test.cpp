// The named event as other processes see it: a POSIX named semaphore whose count stays 0 or 1,
// also when threads of one process set it at once.
#include <fcntl.h>
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

const char kName[] = "DecodeEventBC";

// Gives every test its own prefix, so tests running side by side do not share the event.
class NamedEvent : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    prefix_ = "bcrtest" + std::to_string(getpid()) + test->name();
    setenv("BCREADER_EVENT_PREFIX", prefix_.c_str(), 1);
    semName_ = "/" + prefix_ + kName;
  }
  void TearDown() override {
    sem_unlink(semName_.c_str());
    unsetenv("BCREADER_EVENT_PREFIX");
  }

  // The count of the semaphore as another process sees it; -1 when it cannot be opened.
  int Count() {
    sem_t *semaphore = sem_open(semName_.c_str(), 0);
    if (semaphore == SEM_FAILED) return -1;
    int value = -1;
    sem_getvalue(semaphore, &value);
    sem_close(semaphore);
    return value;
  }

  std::string prefix_;
  std::string semName_;
};

TEST_F(NamedEvent, OpeningAnExistingEventKeepsItsStateAndClosingKeepsTheEvent) {
  sem_t *other = sem_open(semName_.c_str(), O_CREAT | O_EXCL, 0600, 1);
  ASSERT_NE(other, SEM_FAILED);
  Event *event = EventOpen(kName);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(EventSet(event));
  EXPECT_EQ(Count(), 1);
  EventClose(event);
  EXPECT_EQ(Count(), 1);  // still there for the other process
  sem_close(other);
}

TEST_F(NamedEvent, UnusableNamesAreRefused) {
  EXPECT_EQ(EventOpen(""), nullptr);
  setenv("BCREADER_EVENT_PREFIX", "dir/", 1);
  EXPECT_EQ(EventOpen(kName), nullptr);
  setenv("BCREADER_EVENT_PREFIX", std::string(300, 'x').c_str(), 1);
  EXPECT_EQ(EventOpen(kName), nullptr);
}

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
