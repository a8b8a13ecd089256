// The auto-trigger thread: while a continuous trigger mode holds the token, it releases the
// decode thread about every 200 ms instead of the trigger key.
#include "reader/auto_trigger.h"

#include "platform/clock.h"
#include "state/library_globals.h"
#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kRearmPause = 200;

}  // namespace

void AutoTriggerThread(void *globals) {
  LibraryState &state = static_cast<LibraryGlobals *>(globals)->state;
  ScanEngine &reader = static_cast<LibraryGlobals *>(globals)->reader;
  WorkerSlot &slot = state.workers[kAutoTriggerWorker];
  platform::SemaphoreWait(slot.start, platform::kInfinite);
  while (state.quitFlag != 1) {
    WakeWorker(state, kDecodeWorker);
    bool rearmed = false;
    if (platform::SemaphoreWait(reader.continuousToken, 0) == platform::WaitResult::kSignalled) {
      platform::SemaphoreRelease(slot.start, 1);
      platform::SemaphoreRelease(reader.continuousToken, 1);
      rearmed = true;
    }
    // A re-armed cycle always pauses: the token can outlive the continuous trigger mode (a reset
    // of the imager keeps it), and without the pause the thread would spin.
    if (rearmed || InContinuousMode(reader) || !IsKnownEngine(reader.DeviceType())) {
      platform::Sleep(kRearmPause);
    }
    platform::SemaphoreWait(slot.start, platform::kInfinite);
  }
  platform::SemaphoreRelease(slot.done, 1);
}

}  // namespace bcr
