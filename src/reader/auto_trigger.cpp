// The auto-trigger thread: while a continuous trigger mode holds the token, it releases the
// decode thread about every 200 ms instead of the trigger key.
#include "state/reader.h"
#include "reader/workers.h"
#include "platform/clock.h"

namespace bcr {

namespace {

constexpr uint32_t kRearmPause = 200;

}  // namespace

void AutoTriggerThread(void *) {
  LibraryState &state = State();
  WorkerSlot &slot = state.workers[kAutoTriggerWorker];
  platform::SemaphoreWait(slot.start, platform::kInfinite);
  while (state.quitFlag != 1) {
    WakeWorker(kDecodeWorker);
    bool rearmed = false;
    if (platform::SemaphoreWait(state.continuousToken, 0) == platform::WaitResult::kSignalled) {
      platform::SemaphoreRelease(slot.start, 1);
      platform::SemaphoreRelease(state.continuousToken, 1);
      rearmed = true;
    }
    // A re-armed cycle always pauses: the token can outlive the continuous trigger mode (a reset
    // of the imager keeps it), and without the pause the thread would spin.
    if (rearmed || InContinuousMode(TheReader()) || !IsKnownEngine(TheReader().DeviceType())) {
      platform::Sleep(kRearmPause);
    }
    platform::SemaphoreWait(slot.start, platform::kInfinite);
  }
  platform::SemaphoreRelease(slot.done, 1);
}

}  // namespace bcr
