// Windows owned by different threads: a message runs on the owner, when the owner dispatches.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/window.h"

namespace bcr::platform {
namespace {

std::atomic<int> calls{0};
std::atomic<std::thread::id> lastCaller{};

intptr_t Count(Window *, uint32_t, uintptr_t, intptr_t) {
  lastCaller = std::this_thread::get_id();
  ++calls;
  return 0;
}

// A thread that makes a window, then dispatches only when told to.
class Owner {
 public:
  explicit Owner(const char *className) {
    thread_ = std::thread([this, className] {
      window_ = WindowCreateWithProc(className, Count);
      SemaphoreRelease(made_);
      while (SemaphoreWait(go_, 5000) == WaitResult::kSignalled && !quit_) {
        ran_ += WindowDispatch(300);
        SemaphoreRelease(dispatched_);
      }
      WindowDestroy(window_);
    });
    SemaphoreWait(made_, 5000);
  }
  ~Owner() {
    quit_ = true;
    SemaphoreRelease(go_);
    thread_.join();
    for (Semaphore *semaphore : {made_, go_, dispatched_}) SemaphoreClose(semaphore);
  }
  Window *window() const { return window_; }
  std::thread::id id() const { return thread_.get_id(); }
  // Lets the owner dispatch once and waits for it; returns how many ran in all.
  int Dispatch() {
    SemaphoreRelease(go_);
    SemaphoreWait(dispatched_, 5000);
    return ran_;
  }

 private:
  Semaphore *made_ = SemaphoreCreate(0, 1);
  Semaphore *go_ = SemaphoreCreate(0, 1);
  Semaphore *dispatched_ = SemaphoreCreate(0, 1);
  std::atomic<bool> quit_{false};
  std::atomic<int> ran_{0};
  Window *window_ = nullptr;
  std::thread thread_;
};

TEST(WindowThreaded, MessagesRunOnTheOwnerOnlyWhenItDispatchesAndBroadcastReachesEveryThread) {
  calls = 0;
  Owner first("CastFirst");
  Owner second("CastSecond");
  ASSERT_NE(first.window(), nullptr);
  Window *mine = WindowCreateWithProc("CastMine", Count);
  ASSERT_TRUE(WindowPost(first.window(), 0xC100, 0, 0));
  EXPECT_EQ(WindowDispatch(0), 0);  // not this thread's window
  Sleep(50);
  EXPECT_EQ(calls.load(), 0);
  EXPECT_EQ(first.Dispatch(), 1);
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(lastCaller.load(), first.id());
  ASSERT_TRUE(WindowPost(BroadcastWindow(), 0xC200, 7, 0));
  EXPECT_EQ(first.Dispatch(), 2);
  EXPECT_EQ(second.Dispatch(), 1);
  EXPECT_EQ(WindowDispatch(0), 1);
  EXPECT_EQ(calls.load(), 4);
  WindowDestroy(mine);
}

TEST(WindowThreaded, WaitingDispatchWakesOnAPostFromAnotherThread) {
  calls = 0;
  Window *mine = WindowCreateWithProc("WakeClass", Count);
  uint64_t start = NowMs();
  EXPECT_EQ(WindowDispatch(80), 0);  // nothing posted: waits its whole time
  EXPECT_GE(NowMs() - start, 79u);
  std::thread poster([mine] {
    Sleep(50);
    WindowPost(mine, 0xC100, 0, 0);
  });
  start = NowMs();
  EXPECT_EQ(WindowDispatch(5000), 1);
  EXPECT_LT(NowMs() - start, 4000u);
  poster.join();
  WindowDestroy(mine);
}

TEST(WindowThreaded, MessagesFromManyPostersAllArriveInEachPostersOrder) {
  constexpr int kPosters = 4;
  constexpr int kEach = 200;
  static std::vector<uintptr_t> seen[kPosters];  // wParam seen per poster, in order
  for (auto &list : seen) list.clear();
  Window *mine = WindowCreateWithProc(
      "StormClass", [](Window *, uint32_t, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        seen[lParam].push_back(wParam);
        return 0;
      });
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([mine, p] {
      for (int k = 0; k < kEach; ++k) EXPECT_TRUE(WindowPost(mine, 0xC100, k, p));
    });
  }
  int ran = 0;
  uint64_t until = NowMs() + 5000;
  while (ran < kPosters * kEach && NowMs() < until) ran += WindowDispatch(100);
  for (std::thread &poster : posters) poster.join();
  EXPECT_EQ(ran, kPosters * kEach);
  for (const auto &list : seen) {
    ASSERT_EQ(list.size(), static_cast<size_t>(kEach));
    for (int k = 0; k < kEach; ++k) EXPECT_EQ(list[k], static_cast<uintptr_t>(k));
  }
  WindowDestroy(mine);
}

}  // namespace
}  // namespace bcr::platform
