#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kWorkerEndWait = 200;

}  // namespace

void RunWorker(LibraryState &state, Worker worker, const std::function<void()> &cycle) {
  WorkerSlot &slot = state.workers[worker];
  for (;;) {
    platform::SemaphoreWait(slot.start, platform::kInfinite);
    if (state.quitFlag == 1) break;
    cycle();
  }
  platform::SemaphoreRelease(slot.done, 1);
}

void WakeWorker(LibraryState &state, Worker worker) {
  platform::SemaphoreRelease(state.workers[worker].start, 1);
}

void StartWorker(LibraryState &state, Worker worker, platform::ThreadFunction body,
                 void *parameter) {
  WorkerSlot &slot = state.workers[worker];
  if (slot.thread != nullptr) return;
  slot.thread = platform::ThreadCreate(body, parameter);
}

void StopWorker(LibraryState &state, Worker worker) {
  WorkerSlot &slot = state.workers[worker];
  platform::Thread *thread = slot.thread;
  if (thread == nullptr) return;
  if (platform::ThreadWait(thread, kWorkerEndWait) == platform::WaitResult::kTimeout) {
    state.quitFlag = 1;
    platform::SemaphoreRelease(slot.start, 1);
    platform::SemaphoreWait(slot.done, platform::kInfinite);
  }
  platform::ThreadClose(thread);
  slot.thread = nullptr;
}

}  // namespace bcr
