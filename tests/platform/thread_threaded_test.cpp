// Thread handles: waits with a time-out, and closing them so that no thread outlives its handle
// in the library's code.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>

#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace bcr::platform {
namespace {

// Threads of the process that still run. A joined thread is listed for a moment after the join
// returns, already dead: its state is then Z or X, or its entry is gone when it is read.
int ThreadCount() {
  DIR *tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return -1;
  int count = 0;
  while (dirent *entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t end = line.rfind(')');  // the name in parentheses may hold spaces
    const char state = end != std::string::npos && end + 2 < line.size() ? line[end + 2] : '?';
    // '?': gone between the listing and the read.
    if (state != '?' && state != 'Z' && state != 'X' && state != 'x') ++count;
  }
  closedir(tasks);
  return count;
}

// A worker of the library's kind: waits on its start semaphore, then releases its done
// semaphore as its last action.
struct Worker {
  Semaphore *start = SemaphoreCreate(0, 1);
  Semaphore *done = SemaphoreCreate(0, 1);
  std::atomic<bool> ran{false};
  ~Worker() {
    SemaphoreClose(start);
    SemaphoreClose(done);
  }
  static void Body(void *parameter) {
    Worker *worker = static_cast<Worker *>(parameter);
    SemaphoreWait(worker->start, kInfinite);
    worker->ran = true;
    SemaphoreRelease(worker->done);
  }
};

TEST(Thread, CloseAfterTheDoneHandshakeLeavesNoThreadBehind) {
  // The unload sequence: wait for the done semaphore, close the handle. The thread may still be
  // on its way out of the library's code when the semaphore is released; once the handle is
  // closed it must be gone.
  // One round before counting: a sanitizer runtime starts a thread of its own with the first
  // thread the process creates.
  int before = -1;
  for (int round = -1; round < 20; ++round) {
    if (round == 0) before = ThreadCount();
    Worker worker;
    Thread *thread = ThreadCreate(Worker::Body, &worker);
    ASSERT_NE(thread, nullptr);
    SemaphoreRelease(worker.start);
    ASSERT_EQ(SemaphoreWait(worker.done, 5000), WaitResult::kSignalled);
    ThreadClose(thread);
    if (round >= 0) {
      EXPECT_EQ(ThreadCount(), before) << "round " << round;
    }
  }
}

TEST(Thread, CloseOfARunningThreadReturnsAndTheThreadEndsLater) {
  Worker worker;
  Thread *thread = ThreadCreate(Worker::Body, &worker);
  ASSERT_NE(thread, nullptr);
  uint64_t start = NowMs();
  ThreadClose(thread);  // still blocked on its start semaphore: detached after the grace period
  EXPECT_LT(NowMs() - start, kThreadCloseGraceMs + 3000u);
  SemaphoreRelease(worker.start);
  EXPECT_EQ(SemaphoreWait(worker.done, 5000), WaitResult::kSignalled);
  EXPECT_TRUE(worker.ran);
}

TEST(Thread, ThreadMayCloseItsOwnHandle) {
  struct Self {
    Thread *handle = nullptr;
    Semaphore *handed = SemaphoreCreate(0, 1);
    Semaphore *closed = SemaphoreCreate(0, 1);
  } self;
  Thread *thread = ThreadCreate(
      [](void *parameter) {
        Self *me = static_cast<Self *>(parameter);
        SemaphoreWait(me->handed, kInfinite);
        ThreadClose(me->handle);
        SemaphoreRelease(me->closed);
      },
      &self);
  ASSERT_NE(thread, nullptr);
  self.handle = thread;
  SemaphoreRelease(self.handed);
  // Without special handling the close would wait the grace period on itself, then detach.
  EXPECT_EQ(SemaphoreWait(self.closed, kThreadCloseGraceMs / 2), WaitResult::kSignalled);
  SemaphoreClose(self.handed);
  SemaphoreClose(self.closed);
}

}  // namespace
}  // namespace bcr::platform
