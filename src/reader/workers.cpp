#include "reader/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kWorkerEndWait = 200;

}  // namespace

void RunWorker(Worker worker, void (*cycle)()) {
  WorkerSlot &slot = State().workers[worker];
  for (;;) {
    platform::SemaphoreWait(slot.start, platform::kInfinite);
    if (State().quitFlag == 1) break;
    cycle();
  }
  platform::SemaphoreRelease(slot.done, 1);
}

void WakeWorker(Worker worker) {
  platform::SemaphoreRelease(State().workers[worker].start, 1);
}

void StartWorker(Worker worker, platform::ThreadFunction body, void *parameter) {
  WorkerSlot &slot = State().workers[worker];
  if (slot.thread != nullptr) return;
  slot.thread = platform::ThreadCreate(body, parameter);
}

void StopWorker(Worker worker) {
  WorkerSlot &slot = State().workers[worker];
  platform::Thread *thread = slot.thread;
  if (thread == nullptr) return;
  if (platform::ThreadWait(thread, kWorkerEndWait) == platform::WaitResult::kTimeout) {
    State().quitFlag = 1;
    platform::SemaphoreRelease(slot.start, 1);
    platform::SemaphoreWait(slot.done, platform::kInfinite);
  }
  platform::ThreadClose(thread);
  slot.thread = nullptr;
}

}  // namespace bcr
