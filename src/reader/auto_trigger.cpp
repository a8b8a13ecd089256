// The auto-trigger thread: while the trigger mode is a continuous one, it releases the decode
// thread about every 200 ms instead of the trigger key. A write or reset that changes the mode
// wakes it; in any other mode it sleeps until then.
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
  const ScanEngine &reader = static_cast<LibraryGlobals *>(globals)->reader;
  WorkerSlot &slot = state.workers[kAutoTriggerWorker];
  for (;;) {
    platform::SemaphoreWait(slot.start,
                            InContinuousMode(reader) ? kRearmPause : platform::kInfinite);
    if (state.quitFlag == 1) break;
    if (InContinuousMode(reader)) WakeWorker(state, kDecodeWorker);
  }
  platform::SemaphoreRelease(slot.done, 1);
}

}  // namespace bcr
